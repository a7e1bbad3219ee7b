# Installs the build in BUILD into a fresh PREFIX and checks that the desktop finds everything:
# both programs, the menu entry, the icon, and the score type by name and by content.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

foreach(file bin/corvane bin/corvane-cli share/applications/corvane.desktop
             share/icons/hicolor/32x32/apps/corvane.png share/mime/packages/corvane.xml)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

file(READ ${PREFIX}/share/applications/corvane.desktop entry)
foreach(line "Exec=corvane %f" "Icon=corvane" "MimeType=application/x-corvane-score;")
  string(FIND "${entry}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks ${line}")
  endif()
endforeach()

file(READ ${PREFIX}/share/icons/hicolor/32x32/apps/corvane.png png HEX LIMIT 24)
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
endif()
