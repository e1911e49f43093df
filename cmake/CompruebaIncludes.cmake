# Fails when a file of the floor PISO includes a header of a floor it does not reach
# downward. ARCHIVOS: a file listing the floor's sources and headers, one a line. PERMITIDAS:
# the folders it may include from, relative to RAIZ; a header of the tree in any other folder
# (another floor, the tests, the demo data) is refused. Writes SELLO when every include is allowed.
# Also run by hand on any list of files (cmake -P), which is how its test drives it.
cmake_minimum_required(VERSION 3.25)
file(STRINGS "${ARCHIVOS}" archivos)
set(faltas)
foreach(archivo IN LISTS archivos)
    if(NOT EXISTS "${archivo}")
        continue()
    endif()
    file(STRINGS "${archivo}" lineas REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(linea IN LISTS lineas)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" incluido "${linea}")
        cmake_path(GET incluido PARENT_PATH carpeta)
        if(carpeta AND EXISTS "${RAIZ}/${incluido}" AND NOT carpeta IN_LIST PERMITIDAS)
            file(RELATIVE_PATH relativo "${RAIZ}" "${archivo}")
            list(APPEND faltas "  ${relativo}: #include \"${incluido}\"")
        endif()
    endforeach()
endforeach()
if(faltas)
    list(JOIN faltas "\n" texto)
    message(FATAL_ERROR "${PISO} may include only its own folders and those of the floors it "
                        "links below it (see the README, \"Where files go\"):\n${texto}")
endif()
if(SELLO)
    file(WRITE "${SELLO}" "")
endif()
