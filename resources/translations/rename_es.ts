<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<!-- Rename: failure lines. -->
<context>
    <name>Vidorra</name>
    <message>
        <source>%@: name already exists</source>
        <translation>%@: el nombre ya existe</translation>
    </message>
</context>
</TS>
