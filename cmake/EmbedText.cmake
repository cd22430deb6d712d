# Reads a file into a variable for configure_file, so its text is compiled in; a missing file stops
# the configuration, and an edited one re-runs it.
function(dodu_embed_text variable file)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "${file} is missing")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  file(READ ${file} _text)
  set(${variable} "${_text}" PARENT_SCOPE)
endfunction()
