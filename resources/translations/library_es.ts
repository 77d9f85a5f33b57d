<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<!-- Library: organizing, undo and trash failure lines. -->
<context>
    <name>Vidorra</name>
    <message>
        <source>%@: already exists at destination</source>
        <translation>%@: ya existe en el destino</translation>
    </message>
    <message>
        <source>%@: already exists at origin</source>
        <translation>%@: ya existe en el origen</translation>
    </message>
    <message>
        <source>%@: invalid destination folder</source>
        <translation>%@: carpeta de destino no válida</translation>
    </message>
    <message>
        <source>%@: destination folder is a link</source>
        <translation>%@: la carpeta de destino es un enlace</translation>
    </message>
    <message>
        <source>changed while being moved</source>
        <translation>cambió mientras se movía</translation>
    </message>
    <message>
        <source>…and %d more</source>
        <translation>…y %d más</translation>
    </message>
</context>
</TS>
