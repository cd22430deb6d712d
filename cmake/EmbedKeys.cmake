# Embeds the RSA key pair of DODU_KEY_DIR into the library as two PEM texts, so no key is read
# from disk at run time. Rebuilding with -DDODU_KEY_DIR=/path/to/certified/keys swaps the pair.
set(_key_private "${DODU_KEY_DIR}/private.pem")
set(_key_public "${DODU_KEY_DIR}/public.pem")
foreach(_key IN ITEMS ${_key_private} ${_key_public})
  if(NOT EXISTS ${_key})
    message(FATAL_ERROR "Key file ${_key} is missing (DODU_KEY_DIR=${DODU_KEY_DIR})")
  endif()
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_key_private} ${_key_public})
file(READ ${_key_private} DODU_PRIVATE_KEY_PEM)
file(READ ${_key_public} DODU_PUBLIC_KEY_PEM)
set(DODU_EMBEDDED_KEY_SOURCE ${CMAKE_BINARY_DIR}/generated/embedded_keys.cpp)
configure_file(${CMAKE_SOURCE_DIR}/cmake/embedded_keys.cpp.in ${DODU_EMBEDDED_KEY_SOURCE} @ONLY)
