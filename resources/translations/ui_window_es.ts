<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>Vidorra</name>
    <message numerus="yes">
        <source>%n clips</source>
        <translation>
            <numerusform>%n clip</numerusform>
            <numerusform>%n clips</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n clips · %@</source>
        <translation>
            <numerusform>%n clip · %@</numerusform>
            <numerusform>%n clips · %@</numerusform>
        </translation>
    </message>
    <message>
        <source>Reading %d of %d</source>
        <translation>Leyendo %d de %d</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Detener</translation>
    </message>
    <message numerus="yes">
        <source>%n selected · %@</source>
        <translation>
            <numerusform>%n seleccionado · %@</numerusform>
            <numerusform>%n seleccionados · %@</numerusform>
        </translation>
    </message>
    <message>
        <source>Reading…</source>
        <translation>Leyendo…</translation>
    </message>
    <message>
        <source>No Clips</source>
        <translation>No hay clips</translation>
    </message>
    <message>
        <source>Drag a folder here  ·  Ctrl+O</source>
        <translation>Arrastra una carpeta aquí  ·  Ctrl+O</translation>
    </message>
    <message>
        <source>Organize</source>
        <translation>Organizar</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Abrir carpeta</translation>
    </message>
    <message>
        <source>Sort</source>
        <translation>Ordenar</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Deshacer</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Ajustes</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Atrás</translation>
    </message>
    <message>
        <source>Vidorra</source>
        <translation>Vidorra</translation>
    </message>
    <message>
        <source>Open…</source>
        <translation>Abrir…</translation>
    </message>
    <message>
        <source>Folders and movies (*.mp4 *.MP4 *.mov *.MOV)</source>
        <translation>Carpetas y vídeos (*.mp4 *.MP4 *.mov *.MOV)</translation>
    </message>
    <message>
        <source>No file manager could show “%@”.</source>
        <translation>Ningún gestor de archivos pudo mostrar «%@».</translation>
    </message>
    <message>
        <source>No web browser could open %@.</source>
        <translation>Ningún navegador pudo abrir %@.</translation>
    </message>
    <message>
        <source>No mail program could start a message to %@.</source>
        <translation>Ningún programa de correo pudo empezar un mensaje a %@.</translation>
    </message>
    <message>
        <source>Nothing to rename: the template needs the camera data that only DJI Osmo Pocket clips carry.</source>
        <translation>Nada que renombrar: la plantilla necesita los datos de cámara que solo llevan los clips de DJI Osmo Pocket.</translation>
    </message>
    <message>
        <source>%d h %d min left</source>
        <translation>quedan %d h %d min</translation>
    </message>
    <message>
        <source>Importing from %@</source>
        <translation>Importando de %@</translation>
    </message>
    <message>
        <source>Card</source>
        <translation>Tarjeta</translation>
    </message>
    <message>
        <source>Import from %@…</source>
        <translation>Importar de %@…</translation>
    </message>
    <message>
        <source>Choose where imports from cards go</source>
        <translation>Elige dónde van las importaciones de tarjetas</translation>
    </message>
    <message>
        <source>A folder named “%@” is there already</source>
        <translation>Ya hay una carpeta llamada «%@»</translation>
    </message>
    <message>
        <source>Add this card's clips to it, or import them into “%@”?</source>
        <translation>¿Añadir a ella los clips de esta tarjeta o importarlos en «%@»?</translation>
    </message>
    <message>
        <source>Add to It</source>
        <translation>Añadir a ella</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Carpeta nueva</translation>
    </message>
    <message numerus="yes">
        <source>%n seconds left</source>
        <translation>
            <numerusform>queda %n s</numerusform>
            <numerusform>quedan %n s</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n minutes left</source>
        <translation>
            <numerusform>queda %n min</numerusform>
            <numerusform>quedan %n min</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%d of %n files · %@ of %@</source>
        <translation>
            <numerusform>%d de %n archivo · %@ de %@</numerusform>
            <numerusform>%d de %n archivos · %@ de %@</numerusform>
        </translation>
    </message>
</context>
</TS>
