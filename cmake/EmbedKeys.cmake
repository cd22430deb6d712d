# Embeds the RSA key pair of DODU_KEY_DIR into the library as two PEM texts, so no key is read
# from disk at run time. Rebuilding with -DDODU_KEY_DIR=/path/to/certified/keys swaps the pair.
include(${CMAKE_CURRENT_LIST_DIR}/EmbedText.cmake)
dodu_embed_text(DODU_PRIVATE_KEY_PEM "${DODU_KEY_DIR}/private.pem")
dodu_embed_text(DODU_PUBLIC_KEY_PEM "${DODU_KEY_DIR}/public.pem")
set(DODU_EMBEDDED_KEY_SOURCE ${CMAKE_BINARY_DIR}/generated/embedded_keys.cpp)
configure_file(${CMAKE_SOURCE_DIR}/cmake/embedded_keys.cpp.in ${DODU_EMBEDDED_KEY_SOURCE} @ONLY)
