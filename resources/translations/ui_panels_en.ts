<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<!-- Panels and sheets: the English singular of counted texts; the plural is the key itself. -->
<context>
    <name>Vidorra</name>
    <message numerus="yes">
        <source>Rename %n Clips</source>
        <translation>
            <numerusform>Rename %n Clip</numerusform>
            <numerusform>Rename %n Clips</numerusform>
        </translation>
    </message>
</context>
</TS>
