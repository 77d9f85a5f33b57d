<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<!-- The preview overlay, the settings panel, the About panel and the rename sheet. -->
<context>
    <name>Vidorra</name>
    <message>
        <source>About Vidorra</source>
        <translation>Acerca de Vidorra</translation>
    </message>
    <message>
        <source>Organizes D-Log and D-Log 2 clips from DJI Osmo Pocket cameras.</source>
        <translation>Ordena los clips D-Log y D-Log 2 de las cámaras DJI Osmo Pocket.</translation>
    </message>
    <message>
        <source>DJI and Osmo are trademarks of SZ DJI Technology Co., Ltd. Vidorra is not affiliated with or endorsed by DJI.</source>
        <translation>DJI y Osmo son marcas comerciales de SZ DJI Technology Co., Ltd. Vidorra no está afiliada a DJI ni cuenta con su respaldo.</translation>
    </message>
    <message>
        <source>Version %@</source>
        <translation>Versión %@</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Cerrar</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Idioma</translation>
    </message>
    <message>
        <source>Appearance</source>
        <translation>Apariencia</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Sistema</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Claro</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Oscuro</translation>
    </message>
    <message>
        <source>Skip Organize intro</source>
        <translation>Omitir la introducción de Organizar</translation>
    </message>
    <message>
        <source>Check for Updates</source>
        <translation>Buscar actualizaciones</translation>
    </message>
    <message>
        <source>Support</source>
        <translation>Soporte</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Renombrar</translation>
    </message>
    <message numerus="yes">
        <source>Rename %n Clips</source>
        <translation>
            <numerusform>Renombrar %n clip</numerusform>
            <numerusform>Renombrar %n clips</numerusform>
        </translation>
    </message>
    <message>
        <source>Template</source>
        <translation>Plantilla</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Fecha</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Perfil</translation>
    </message>
    <message>
        <source>Resolution</source>
        <translation>Resolución</translation>
    </message>
    <message>
        <source>FPS</source>
        <translation>FPS</translation>
    </message>
    <message>
        <source>ISO</source>
        <translation>ISO</translation>
    </message>
    <message>
        <source>Number</source>
        <translation>Número</translation>
    </message>
    <message>
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Restablecer</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Rename %d</source>
        <translation>Renombrar %d</translation>
    </message>
    <message>
        <source>Other log and HLG</source>
        <translation>Otros log y HLG</translation>
    </message>
    <message>
        <source>Vidorra built-in grade for %@</source>
        <translation>Corrección integrada de Vidorra para %@</translation>
    </message>
    <message>
        <source>Color table not loaded, the grade stays as it was:</source>
        <translation>No se cargó la tabla de color; la corrección sigue como estaba:</translation>
    </message>
    <message>
        <source>Exported %@</source>
        <translation>Exportado %@</translation>
    </message>
    <message>
        <source>The built-in grade was not exported:</source>
        <translation>No se exportó la corrección integrada:</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>Elegir…</translation>
    </message>
    <message>
        <source>Use Built-in</source>
        <translation>Usar la integrada</translation>
    </message>
    <message>
        <source>Grade %@ with a .cube color table</source>
        <translation>Corregir %@ con una tabla de color .cube</translation>
    </message>
    <message>
        <source>Export Built-in…</source>
        <translation>Exportar la integrada…</translation>
    </message>
    <message>
        <source>Save a built-in grade as a .cube file for other tools</source>
        <translation>Guardar una corrección integrada como archivo .cube para otras herramientas</translation>
    </message>
    <message>
        <source>Built-in</source>
        <translation>Integrada</translation>
    </message>
    <message>
        <source>%@ (not loaded, built-in in use)</source>
        <translation>%@ (no cargada, se usa la integrada)</translation>
    </message>
    <message>
        <source>Choose a Color Table for %@</source>
        <translation>Elegir una tabla de color para %@</translation>
    </message>
    <message>
        <source>Color tables (*.cube *.CUBE)</source>
        <translation>Tablas de color (*.cube *.CUBE)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Todos los archivos (*)</translation>
    </message>
    <message>
        <source>Export the Built-in Grade for %@</source>
        <translation>Exportar la corrección integrada de %@</translation>
    </message>
    <message>
        <source>This clip can't be played.</source>
        <translation>Este clip no se puede reproducir.</translation>
    </message>
</context>
</TS>
