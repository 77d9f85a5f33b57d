<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<!-- Texts of the clip cards, pile cards and toolbar controls. -->
<context>
    <name>Vidorra</name>
    <message>
        <source>Color</source>
        <translation>Color</translation>
    </message>
    <message>
        <source>Show in Folder</source>
        <translation>Mostrar en la carpeta</translation>
    </message>
    <message>
        <source>Delete %d Clips</source>
        <translation>Eliminar %d clips</translation>
    </message>
    <message>
        <source>No Data</source>
        <translation>Sin datos</translation>
    </message>
</context>
</TS>
