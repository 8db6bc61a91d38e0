# Writes the desktop entry for the prefix being installed to, so its Exec line runs the
# installed executable wherever `cmake --install --prefix` put it. Included by the install
# script with TEMPLATE, OUTPUT and EXECUTABLE set.

# Desktop entries quote an Exec argument with reserved characters; the few that would need
# escapes on top of quoting are refused instead of written wrongly.
if(EXECUTABLE MATCHES "[\"`$\\\\%]")
    message(FATAL_ERROR "Cannot write a desktop entry for ${EXECUTABLE}: its path holds a "
                        "quote, backquote, dollar, backslash or percent sign.")
endif()
if(EXECUTABLE MATCHES "[^A-Za-z0-9/._+,@=:-]")
    set(MORVANEX_DESKTOP_EXEC "\"${EXECUTABLE}\"")
else()
    set(MORVANEX_DESKTOP_EXEC "${EXECUTABLE}")
endif()
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
