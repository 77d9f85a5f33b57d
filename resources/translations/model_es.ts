<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<!-- Application model: status messages, the trash question and the busy refusal. -->
<context>
    <name>Vidorra</name>
    <message>
        <source>No compatible clips</source>
        <translation>No hay clips compatibles</translation>
    </message>
    <message>
        <source>Wait until the current action finishes, then open again.</source>
        <translation>Espera a que termine la acción en curso y vuelve a abrir.</translation>
    </message>
    <message>
        <source>Sorted</source>
        <translation>Ordenado</translation>
    </message>
    <message numerus="yes">
        <source>Finished with %n issues:</source>
        <translation>
            <numerusform>Terminado con %n problema:</numerusform>
            <numerusform>Terminado con %n problemas:</numerusform>
        </translation>
    </message>
    <message>
        <source>Undone</source>
        <translation>Deshecho</translation>
    </message>
    <message numerus="yes">
        <source>Undone with %n issues:</source>
        <translation>
            <numerusform>Deshecho con %n problema:</numerusform>
            <numerusform>Deshecho con %n problemas:</numerusform>
        </translation>
    </message>
    <message>
        <source>Moved to Trash</source>
        <translation>Movido a la papelera</translation>
    </message>
    <message>
        <source>Renamed</source>
        <translation>Renombrado</translation>
    </message>
    <message>
        <source>Folder not found</source>
        <translation>Carpeta no encontrada</translation>
    </message>
    <message>
        <source>Delete %@?</source>
        <translation>¿Eliminar %@?</translation>
    </message>
    <message>
        <source>Delete %d clips?</source>
        <translation>¿Eliminar %d clips?</translation>
    </message>
    <message>
        <source>They will go to the Trash (%@).</source>
        <translation>Irán a la papelera (%@).</translation>
    </message>
    <message>
        <source>Nothing was moved to the Trash: the clips were reloaded meanwhile.</source>
        <translation>No se movió nada a la papelera: los clips se volvieron a cargar mientras tanto.</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Eliminar</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Import stopped</source>
        <translation>Importación detenida</translation>
    </message>
    <message>
        <source>Every clip on %@ was imported before</source>
        <translation>Todos los clips de %@ ya se habían importado</translation>
    </message>
    <message>
        <source>No clips on %@</source>
        <translation>No hay clips en %@</translation>
    </message>
    <message>
        <source>Not enough space in %@: %@ needed, %@ free</source>
        <translation>No hay espacio suficiente en %@: se necesitan %@ y hay %@ libres</translation>
    </message>
    <message numerus="yes">
        <source>Imported %n clips (%@), all verified</source>
        <translation>
            <numerusform>%n clip importado (%@), todo verificado</numerusform>
            <numerusform>%n clips importados (%@), todo verificado</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n clips were imported before and were skipped</source>
        <translation>
            <numerusform>%n clip ya se había importado y se omitió</numerusform>
            <numerusform>%n clips ya se habían importado y se omitieron</numerusform>
        </translation>
    </message>
</context>
</TS>
