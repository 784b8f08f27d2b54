# Compiles the built-in channel lists of mailru, idcmd and stv into brelvik_core
# from their text files under src/loaders/lists; edits to a list rebuild it.
foreach(list mailru idcmd stv)
  set(input ${CMAKE_CURRENT_SOURCE_DIR}/src/loaders/lists/${list}.txt)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/generated/builtin_list_${list}.cpp)
  string(SUBSTRING ${list} 0 1 first)
  string(TOUPPER ${first} first)
  string(SUBSTRING ${list} 1 -1 rest)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DSYMBOL=k${first}${rest}List
            -P ${CMAKE_CURRENT_LIST_DIR}/embed_text.cmake
    DEPENDS ${input} ${CMAKE_CURRENT_LIST_DIR}/embed_text.cmake
    COMMENT "Embedding the ${list} channel list"
    VERBATIM)
  target_sources(brelvik_core PRIVATE ${output})
endforeach()
