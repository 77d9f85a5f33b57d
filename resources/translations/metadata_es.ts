<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<!-- Clip metadata: profile and speed words, the slow-motion folder, the probe's messages. -->
<context>
    <name>Vidorra</name>
    <message>
        <source>Unknown</source>
        <translation>Desconocido</translation>
    </message>
    <message>
        <source>Normal 8-bit</source>
        <translation>Normal 8 bits</translation>
    </message>
    <message>
        <source>Not Specified</source>
        <translation>Sin especificar</translation>
    </message>
    <message>
        <source>Unknown (value %d)</source>
        <translation>Desconocido (valor %d)</translation>
    </message>
    <message>
        <source>Slow Motion</source>
        <translation>Cámara lenta</translation>
    </message>
    <message>
        <source>%@ Slowmo %@fps to %@p</source>
        <translation>%@ Cámara lenta %@fps a %@p</translation>
    </message>
    <message>
        <source>Usage: vidorra-probe [--decode] PATH…</source>
        <translation>Uso: vidorra-probe [--decode] RUTA…</translation>
    </message>
    <message>
        <source>No such file or folder: %@</source>
        <translation>No existe el archivo o la carpeta: %@</translation>
    </message>
    <message>
        <source>Usage: vidorra-probe --lut FILE.cube IN.png OUT.png</source>
        <translation>Uso: vidorra-probe --lut ARCHIVO.cube ENTRADA.png SALIDA.png</translation>
    </message>
    <message>
        <source>%@ is not an 8-bit RGB or RGBA picture</source>
        <translation>%@ no es una imagen RGB o RGBA de 8 bits</translation>
    </message>
</context>
</TS>
