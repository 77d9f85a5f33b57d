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
        <source>Usage: vidorra-probe --verify FOLDER</source>
        <translation>Uso: vidorra-probe --verify CARPETA</translation>
    </message>
    <message>
        <source>No checksum file in %@</source>
        <translation>No hay archivo de sumas de control en %@</translation>
    </message>
    <message numerus="yes">
        <source>The destination is full: %n more files were not copied</source>
        <translation>
            <numerusform>El destino está lleno: %n archivo más no se copió</numerusform>
            <numerusform>El destino está lleno: %n archivos más no se copiaron</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n files verified</source>
        <translation>
            <numerusform>%n archivo verificado</numerusform>
            <numerusform>%n archivos verificados</numerusform>
        </translation>
    </message>
</context>
</TS>
