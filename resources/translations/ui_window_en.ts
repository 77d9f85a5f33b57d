<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<!-- Main window: the English singular of counted texts; the plural is the key itself. -->
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
    <message numerus="yes">
        <source>%n selected · %@</source>
        <translation>
            <numerusform>%n selected · %@</numerusform>
            <numerusform>%n selected · %@</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n seconds left</source>
        <translation>
            <numerusform>%n second left</numerusform>
            <numerusform>%n seconds left</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n minutes left</source>
        <translation>
            <numerusform>%n minute left</numerusform>
            <numerusform>%n minutes left</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%d of %n files · %@ of %@</source>
        <translation>
            <numerusform>%d of %n file · %@ of %@</numerusform>
            <numerusform>%d of %n files · %@ of %@</numerusform>
        </translation>
    </message>
</context>
</TS>
