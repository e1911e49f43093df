# The floors of the house. Each floor is a static library built from the sources of its
# folders, linked only to the floors below it. What a floor's files may include follows from
# those links: its own folders and those of every floor it reaches downward. A build step of
# each floor reads the #include lines of its files and fails on any other, so an include that
# leans upward or sideways stops the build of that floor.

# acumula_piso(nombre [VENTANAS] CARPETAS carpeta... [ENLAZA biblioteca...])
#   VENTANAS: a windows floor: its sources live in ventanas/ folders and it may link Qt
#             Widgets; every other floor has none of either.
function(acumula_piso nombre)
    cmake_parse_arguments(P "VENTANAS" "" "CARPETAS;ENLAZA" ${ARGN})
    add_library(${nombre} STATIC)
    target_link_libraries(${nombre} PUBLIC ${P_ENLAZA})
    set_target_properties(${nombre} PROPERTIES ACUMULA_CARPETAS "${P_CARPETAS}"
                                               ACUMULA_VENTANAS "${P_VENTANAS}")
    set_property(GLOBAL APPEND PROPERTY ACUMULA_PISOS ${nombre})
endfunction()

# The folders a floor's files may include from: its own and those of the floors it links,
# all the way down.
function(acumula_carpetas_alcanzables nombre salida)
    set(carpetas)
    set(pendientes ${nombre})
    set(vistos)
    while(pendientes)
        list(POP_FRONT pendientes actual)
        if(actual IN_LIST vistos OR NOT TARGET ${actual})
            continue()
        endif()
        list(APPEND vistos ${actual})
        get_target_property(propias ${actual} ACUMULA_CARPETAS)
        if(propias)
            list(APPEND carpetas ${propias})
        endif()
        get_target_property(enlaces ${actual} INTERFACE_LINK_LIBRARIES)
        if(enlaces)
            list(APPEND pendientes ${enlaces})
        endif()
    endwhile()
    set(${salida} ${carpetas} PARENT_SCOPE)
endfunction()

# Called once every floor has its sources: the tier rule of the windows, and the include
# check of each floor.
function(acumula_comprueba_pisos)
    get_property(pisos GLOBAL PROPERTY ACUMULA_PISOS)
    foreach(piso IN LISTS pisos)
        get_target_property(ventanas ${piso} ACUMULA_VENTANAS)
        get_target_property(fuentes ${piso} SOURCES)
        get_target_property(propias ${piso} ACUMULA_CARPETAS)
        get_target_property(enlaces ${piso} INTERFACE_LINK_LIBRARIES)
        # The path tells the tier: sources of a windows floor live in a ventanas/ folder,
        # nothing in such a folder goes into a core floor, and no core floor links Widgets.
        set(archivos)
        foreach(fuente IN LISTS fuentes)
            cmake_path(ABSOLUTE_PATH fuente BASE_DIRECTORY ${CMAKE_SOURCE_DIR} NORMALIZE)
            if(fuente MATCHES "_autogen|^${CMAKE_BINARY_DIR}/")
                continue()
            endif()
            string(FIND "${fuente}" "/ventanas/" posicion)
            if(ventanas AND posicion EQUAL -1)
                message(FATAL_ERROR "${fuente} is built into the windows floor ${piso}: move it into a ventanas/ folder")
            elseif(NOT ventanas AND NOT posicion EQUAL -1)
                message(FATAL_ERROR "${fuente} lives in a ventanas/ folder but is built into the core floor ${piso}")
            endif()
            list(APPEND archivos ${fuente})
        endforeach()
        if(NOT ventanas AND "Qt6::Widgets" IN_LIST enlaces)
            message(FATAL_ERROR "the core floor ${piso} links Qt Widgets")
        endif()
        foreach(carpeta IN LISTS propias)
            file(GLOB cabeceras CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${carpeta}/*.h)
            list(APPEND archivos ${cabeceras})
        endforeach()
        acumula_carpetas_alcanzables(${piso} permitidas)
        list(REMOVE_DUPLICATES permitidas)
        set(lista ${CMAKE_CURRENT_BINARY_DIR}/pisos/${piso}.archivos)
        string(REPLACE ";" "\n" contenido "${archivos}")
        file(WRITE ${lista} "${contenido}\n")
        set(sello ${CMAKE_CURRENT_BINARY_DIR}/pisos/${piso}.comprobado)
        add_custom_command(OUTPUT ${sello}
            COMMAND ${CMAKE_COMMAND} -DRAIZ=${CMAKE_SOURCE_DIR} -DPISO=${piso}
                    -DARCHIVOS=${lista} "-DPERMITIDAS=${permitidas}" -DSELLO=${sello}
                    -P ${CMAKE_SOURCE_DIR}/cmake/CompruebaIncludes.cmake
            DEPENDS ${archivos} ${CMAKE_SOURCE_DIR}/cmake/CompruebaIncludes.cmake
            COMMENT "Checking the includes of ${piso}" VERBATIM)
        add_custom_target(${piso}_includes DEPENDS ${sello})
        add_dependencies(${piso} ${piso}_includes)
    endforeach()
endfunction()
