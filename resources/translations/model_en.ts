<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<!-- Application model: the English singular of counted texts; the plural is the key itself. -->
<context>
    <name>Vidorra</name>
    <message numerus="yes">
        <source>Finished with %n issues:</source>
        <translation>
            <numerusform>Finished with %n issue:</numerusform>
            <numerusform>Finished with %n issues:</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Undone with %n issues:</source>
        <translation>
            <numerusform>Undone with %n issue:</numerusform>
            <numerusform>Undone with %n issues:</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Imported %n clips (%@), all verified</source>
        <translation>
            <numerusform>Imported %n clip (%@), all verified</numerusform>
            <numerusform>Imported %n clips (%@), all verified</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n clips were imported before and were skipped</source>
        <translation>
            <numerusform>%n clip was imported before and was skipped</numerusform>
            <numerusform>%n clips were imported before and were skipped</numerusform>
        </translation>
    </message>
</context>
</TS>
