# The layers' include paths. Every include names its file from the top of the
# repository ("bus/ZmqSubPeer.h"), yet the top itself is on no include path:
# each target's headers are linked into a folder of its own under the build
# tree, and only the targets that link it see that folder. A header of a
# layer above is then not even found, so an upward include fails to compile.

# Links the headers among TARGET's sources into its folder and puts that
# folder on its include path with SCOPE: PUBLIC for a layer library, PRIVATE
# for a program.
function(brisvel_stage_headers target scope)
    set(stage ${PROJECT_BINARY_DIR}/layers/${target})
    # Afresh at every configure, so a header taken off the list is gone.
    file(REMOVE_RECURSE ${stage})
    get_target_property(sources ${target} SOURCES)
    foreach(source IN LISTS sources)
        if(NOT source MATCHES "\\.h$")
            continue()
        endif()
        get_filename_component(path ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
        file(RELATIVE_PATH name ${PROJECT_SOURCE_DIR} ${path})
        get_filename_component(folder ${stage}/${name} DIRECTORY)
        file(MAKE_DIRECTORY ${folder})
        file(CREATE_LINK ${path} ${stage}/${name} SYMBOLIC)
    endforeach()
    target_include_directories(${target} ${scope} $<BUILD_INTERFACE:${stage}>)
endfunction()

# A layer: a static library of the listed sources (its headers among them),
# linking the layers below it through target_link_libraries.
function(brisvel_layer target)
    add_library(${target} STATIC ${ARGN})
    brisvel_stage_headers(${target} PUBLIC)
endfunction()
