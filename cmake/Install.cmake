# What `cmake --install` puts into a prefix, and the Debian package built from it.
include(GNUInstallDirs)

set(VIDORRA_APP_ID app.vidorra.Vidorra)
set(linux_res ${CMAKE_SOURCE_DIR}/resources/linux)

install(TARGETS vidorra vidorra-probe RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${linux_res}/${VIDORRA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${linux_res}/${VIDORRA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${linux_res}/${VIDORRA_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Bitmap icons in the common sizes, rendered from the one vector drawing.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(icon_pngs)
foreach(size 16 24 32 48 64 128 256 512)
  set(png ${CMAKE_BINARY_DIR}/icons/${size}/${VIDORRA_APP_ID}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} ${linux_res}/${VIDORRA_APP_ID}.svg -o ${png}
    DEPENDS ${linux_res}/${VIDORRA_APP_ID}.svg VERBATIM)
  list(APPEND icon_pngs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(vidorra_icons ALL DEPENDS ${icon_pngs})

set(CPACK_PACKAGE_NAME vidorra)
set(CPACK_PACKAGE_VENDOR "Vidorra")
set(CPACK_PACKAGE_CONTACT "Vidorra <support@vidorra.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Sort DJI Osmo Pocket clips by colour profile, resolution and frame rate")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
# Lines of the long description (the package tools wrap nothing themselves).
set(CPACK_PACKAGE_DESCRIPTION "Vidorra reads the camera metadata inside each clip of a copied memory card
(colour profile, bit depth, resolution, frame rates), shows the clips as looping
tiles, piles and cards, and moves them with their companion files into folders
such as D-Log/4K 30p. Everything done since a folder was loaded can be undone at
once; clips can be renamed from a template and sent to the Trash.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not found by shlibdeps, as they are loaded at run time: the GStreamer elements the
# full-size preview plays H.264 and HEVC through. Wayland sessions run it natively with
# Qt's Wayland plugin, otherwise through XWayland.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "gstreamer1.0-plugins-good, gstreamer1.0-libav")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
# The programs go in without their debugging sections.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
