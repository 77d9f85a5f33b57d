<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<!-- Import: the English singular of counted texts; the plural is the key itself. -->
<context>
    <name>Vidorra</name>
    <message numerus="yes">
        <source>The destination is full: %n more files were not copied</source>
        <translation>
            <numerusform>The destination is full: %n more file was not copied</numerusform>
            <numerusform>The destination is full: %n more files were not copied</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n files verified</source>
        <translation>
            <numerusform>%n file verified</numerusform>
            <numerusform>%n files verified</numerusform>
        </translation>
    </message>
</context>
</TS>
