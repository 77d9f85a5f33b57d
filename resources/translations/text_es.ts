<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<!-- The words of the language choice itself. Each subsystem keeps its own
     resources/translations/<subsystem>_es.ts; the build merges them all. -->
<context>
    <name>Vidorra</name>
    <message>
        <source>Language</source>
        <translation>Idioma</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Sistema</translation>
    </message>
</context>
</TS>
