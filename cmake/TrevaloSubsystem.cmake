# trevalo_subsystem(NAME [DEPENDS SUBSYSTEM...])
#
# Makes the static library trevalo_NAME from src/NAME/*.cpp (Qt Core; it links the libraries of the
# subsystems it depends on) and, when src/NAME/ui holds sources, trevalo_NAME_ui from them: the only
# kind of target that links Qt Widgets. A ui target links its own logic and the ui targets of the
# subsystems NAME depends on. A call from a subsystem to one it does not depend on fails to link; the
# layering test catches a wrong-way include that needs no linking.
function(trevalo_subsystem name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "DEPENDS")
    set(dir ${PROJECT_SOURCE_DIR}/src/${name})
    file(GLOB logic CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
    add_library(trevalo_${name} STATIC ${logic})
    target_include_directories(trevalo_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(trevalo_${name} PUBLIC Qt6::Core)
    target_link_libraries(trevalo_${name} PRIVATE trevalo_warnings)
    foreach(dep IN LISTS arg_DEPENDS)
        target_link_libraries(trevalo_${name} PUBLIC trevalo_${dep})
    endforeach()

    file(GLOB ui CONFIGURE_DEPENDS ${dir}/ui/*.cpp ${dir}/ui/*.h)
    if(ui)
        add_library(trevalo_${name}_ui STATIC ${ui})
        target_link_libraries(trevalo_${name}_ui PUBLIC trevalo_${name})
        target_link_libraries(trevalo_${name}_ui PRIVATE Qt6::Widgets)
        target_link_libraries(trevalo_${name}_ui PRIVATE trevalo_warnings)
        foreach(dep IN LISTS arg_DEPENDS)
            if(TARGET trevalo_${dep}_ui)
                target_link_libraries(trevalo_${name}_ui PUBLIC trevalo_${dep}_ui)
            endif()
        endforeach()
    endif()
endfunction()
