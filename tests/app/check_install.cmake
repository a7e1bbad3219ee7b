# Installs the build in BUILD into a fresh PREFIX and checks that the desktop finds everything:
# both programs, the menu entry, the icons, and the score type by name and by content.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

foreach(file bin/corvane bin/corvane-cli share/applications/org.corvane.Corvane.desktop
             share/icons/hicolor/32x32/apps/org.corvane.Corvane.png
             share/icons/hicolor/scalable/apps/org.corvane.Corvane.svg
             share/icons/hicolor/32x32/mimetypes/application-x-corvane-score.png
             share/metainfo/org.corvane.Corvane.metainfo.xml
             share/mime/packages/org.corvane.Corvane.xml)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

file(READ ${PREFIX}/share/applications/org.corvane.Corvane.desktop entry)
foreach(line "Exec=corvane %f" "Icon=org.corvane.Corvane" "MimeType=application/x-corvane-score;")
  string(FIND "${entry}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks ${line}")
  endif()
endforeach()

file(READ ${PREFIX}/share/icons/hicolor/32x32/apps/org.corvane.Corvane.png png HEX LIMIT 24)
# PNG signature, then the IHDR chunk with a width and height of 32.
if(NOT png MATCHES "^89504e470d0a1a0a0000000d49484452000000200000")
  message(FATAL_ERROR "the icon is not a 32 x 32 PNG: ${png}")
endif()

# The install refreshed the type database, as a file manager reads it.
find_program(update_mime update-mime-database)
if(update_mime)
  file(READ ${PREFIX}/share/mime/globs2 globs)
  if(NOT globs MATCHES "application/x-corvane-score:\\*\\.cvn")
    message(FATAL_ERROR "*.cvn is not known as a Corvane score:\n${globs}")
  endif()
  file(STRINGS ${PREFIX}/share/mime/magic magic)
  string(FIND "${magic}" "CVNhd" at)
  if(at EQUAL -1 OR NOT magic MATCHES "application/x-corvane-score")
    message(FATAL_ERROR "the magic CVNhd is not known")
  endif()
  # The score type's icon is the one installed for it.
  file(GLOB icon_lists ${PREFIX}/share/mime/icons)
  if(icon_lists)
    file(READ ${PREFIX}/share/mime/icons icons)
    if(NOT icons MATCHES "application/x-corvane-score:application-x-corvane-score")
      message(FATAL_ERROR "the score type names no icon of its own:\n${icons}")
    endif()
  endif()
endif()
