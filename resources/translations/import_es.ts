<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<!-- Import: the verified copy's failure lines, the checksum file's check, folder names. -->
<context>
    <name>Vidorra</name>
    <message>
        <source>line %d</source>
        <translation>línea %d</translation>
    </message>
    <message>
        <source>%@: not a checksum line</source>
        <translation>%@: no es una línea de suma de control</translation>
    </message>
    <message>
        <source>%@: does not match its checksum</source>
        <translation>%@: no coincide con su suma de control</translation>
    </message>
    <message>
        <source>%@: missing</source>
        <translation>%@: falta</translation>
    </message>
    <message>
        <source>%@ to %@</source>
        <translation>%@ a %@</translation>
    </message>
    <message>
        <source>%@: changed on the card while it was read</source>
        <translation>%@: cambió en la tarjeta mientras se leía</translation>
    </message>
    <message>
        <source>%@: the destination does not accept this name</source>
        <translation>%@: el destino no admite este nombre</translation>
    </message>
    <message>
        <source>%@: the copy differs from the card, twice</source>
        <translation>%@: la copia no coincide con la tarjeta, dos veces</translation>
    </message>
    <message>
        <source>The destination is full: 1 more file was not copied</source>
        <translation>El destino está lleno: 1 archivo más no se copió</translation>
    </message>
    <message>
        <source>The destination is full: %d more files were not copied</source>
        <translation>El destino está lleno: %d archivos más no se copiaron</translation>
    </message>
    <message>
        <source>Usage: vidorra-probe --verify FOLDER</source>
        <translation>Uso: vidorra-probe --verify CARPETA</translation>
    </message>
    <message>
        <source>No checksum file in %@</source>
        <translation>No hay archivo de sumas de control en %@</translation>
    </message>
    <message>
        <source>1 file verified</source>
        <translation>1 archivo verificado</translation>
    </message>
    <message>
        <source>%d files verified</source>
        <translation>%d archivos verificados</translation>
    </message>
</context>
</TS>
