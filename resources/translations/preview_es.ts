<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>Vidorra</name>
    <message>
        <source>Play</source>
        <translation>Reproducir</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pausa</translation>
    </message>
    <message>
        <source>%@ is a folder, not a color table</source>
        <translation>%@ es una carpeta, no una tabla de color</translation>
    </message>
    <message>
        <source>%@ is not a regular file</source>
        <translation>%@ no es un archivo normal</translation>
    </message>
    <message>
        <source>%@ is too large for a color table (%@)</source>
        <translation>%@ es demasiado grande para una tabla de color (%@)</translation>
    </message>
    <message>
        <source>%@, line %d: binary data, not a color table</source>
        <translation>%@, línea %d: datos binarios, no una tabla de color</translation>
    </message>
    <message>
        <source>%@, line %d: “%@” is not a number</source>
        <translation>%@, línea %d: «%@» no es un número</translation>
    </message>
    <message>
        <source>%@, line %d: “%@” is not a finite number</source>
        <translation>%@, línea %d: «%@» no es un número finito</translation>
    </message>
    <message>
        <source>%@, line %d: an entry needs 3 numbers, this one has %d</source>
        <translation>%@, línea %d: cada entrada lleva 3 números y esta tiene %d</translation>
    </message>
    <message>
        <source>%@, line %d: %@ needs one whole number</source>
        <translation>%@, línea %d: %@ lleva un número entero</translation>
    </message>
    <message>
        <source>%@, line %d: %@ needs two numbers</source>
        <translation>%@, línea %d: %@ lleva dos números</translation>
    </message>
    <message>
        <source>%@, line %d: %@ needs three numbers</source>
        <translation>%@, línea %d: %@ lleva tres números</translation>
    </message>
    <message>
        <source>%@, line %d: %@ %@ is outside 2 to %d</source>
        <translation>%@, línea %d: %@ %@ está fuera del intervalo de 2 a %d</translation>
    </message>
    <message>
        <source>%@, line %d: %@ gives an empty input range</source>
        <translation>%@, línea %d: %@ deja vacío el intervalo de entrada</translation>
    </message>
    <message>
        <source>%@, line %d: %@ repeats a setting given before</source>
        <translation>%@, línea %d: %@ repite un ajuste ya indicado</translation>
    </message>
    <message>
        <source>%@, line %d: %@ after the entries</source>
        <translation>%@, línea %d: %@ después de las entradas</translation>
    </message>
    <message>
        <source>%@, line %d: entries before LUT_3D_SIZE or LUT_1D_SIZE</source>
        <translation>%@, línea %d: entradas antes de LUT_3D_SIZE o LUT_1D_SIZE</translation>
    </message>
    <message>
        <source>%@, line %d: more entries than the %d the sizes announce</source>
        <translation>%@, línea %d: más entradas que las %d que anuncian los tamaños</translation>
    </message>
    <message>
        <source>%@, line %d: the file ends after %d of %d entries</source>
        <translation>%@, línea %d: el archivo termina tras %d de %d entradas</translation>
    </message>
    <message>
        <source>%@ has no LUT_3D_SIZE or LUT_1D_SIZE: not a color table</source>
        <translation>%@ no tiene LUT_3D_SIZE ni LUT_1D_SIZE: no es una tabla de color</translation>
    </message>
    <message>
        <source>%@, line %d: %@ gives another input range than the one before</source>
        <translation>%@, línea %d: %@ indica un intervalo de entrada distinto del anterior</translation>
    </message>
</context>
</TS>
