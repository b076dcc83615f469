# embed_fixtures(HEADER NAME FILE [NAME FILE]...): writes HEADER with each FILE's bytes
# as `inline constexpr std::string_view NAME`, so that a test can write binary fixtures
# onto either machine, the simulated one or Wine's. The header is rewritten only when
# its text changes, and CMake configures again when a fixture changes.
function(embed_fixtures header)
  set(text "#pragma once\n// Made by tests/embed_fixtures.cmake; do not edit.\n")
  string(APPEND text "#include <string_view>\n\nnamespace fixtures {\n")
  set(pairs ${ARGN})
  while(pairs)
    list(POP_FRONT pairs name file)
    set(path ${CMAKE_CURRENT_SOURCE_DIR}/${file})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${path})
    file(READ ${path} hex HEX)
    file(SIZE ${path} size)
    string(REGEX REPLACE "(..)" "\\\\x\\1" escaped "${hex}")
    string(APPEND text "inline constexpr std::string_view ${name}{\"${escaped}\", ${size}};  // ${file}\n")
  endwhile()
  string(APPEND text "}  // namespace fixtures\n")
  file(CONFIGURE OUTPUT ${header} CONTENT "${text}" @ONLY)
endfunction()
