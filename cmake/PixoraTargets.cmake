# Shared settings for every target of the project.

set(PIXORA_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Werror)

if(PIXORA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# The fuzz targets are guided by the coverage of the libraries they call, so every object is
# instrumented; only the targets themselves link libFuzzer's main.
if(PIXORA_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# pixora_library(NAME SOURCES ... DEPS ... PRIVATE_DEPS ...): a static library with the project root as its
# include root (an interface library while its folder holds no source yet).
function(pixora_library NAME)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
    if(NOT ARG_SOURCES)
        add_library(${NAME} INTERFACE)
        target_include_directories(${NAME} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${NAME} INTERFACE ${ARG_DEPS})
        return()
    endif()
    add_library(${NAME} STATIC ${ARG_SOURCES})
    target_include_directories(${NAME} PUBLIC ${PROJECT_SOURCE_DIR})
    target_compile_options(${NAME} PRIVATE ${PIXORA_WARNINGS})
    target_link_libraries(${NAME} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# pixora_test(NAME LABEL SOURCES... DEPS ...): one GoogleTest executable, its tests discovered by CTest.
function(pixora_test NAME)
    cmake_parse_arguments(ARG "" "LABEL" "SOURCES;DEPS" ${ARGN})
    add_executable(${NAME} ${ARG_SOURCES})
    target_compile_options(${NAME} PRIVATE ${PIXORA_WARNINGS})
    target_compile_definitions(${NAME} PRIVATE PIXORA_CORPUS_DIR="${PIXORA_CORPUS_DIR}"
                                               PIXORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    target_link_libraries(${NAME} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
    gtest_discover_tests(${NAME} DISCOVERY_TIMEOUT 60
                         PROPERTIES LABELS ${ARG_LABEL} ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# Where the shared picture corpus lives; tests skip their corpus cases when it is absent.
get_filename_component(PIXORA_CORPUS_DIR "${PROJECT_SOURCE_DIR}/../shared/corpus" ABSOLUTE)
