# Common build settings shared by every target of the project.

# Warnings every target is built with; the code stays free of them. GCC 12 reports -Wrestrict
# for plain string concatenation inlined from libstdc++ (GCC bug 105329), a false positive.
function(velmoran_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
endfunction()

# A static library of the project: sources given, include root is the project root.
function(velmoran_library name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    velmoran_warnings(${name})
endfunction()

# Builds a target with AddressSanitizer and UndefinedBehaviorSanitizer (fuzz loops over
# hostile input). Sanitized targets compile their own copy of the sources they test.
function(velmoran_sanitize target)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                             -fno-sanitize-recover=all -O1 -g)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
endfunction()

# A GoogleTest executable registered with CTest, one CTest test per test case.
function(velmoran_gtest name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock)
    velmoran_warnings(${name})
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

# Adds every direct subfolder of the current folder that holds a CMakeLists.txt, except those
# named in VELMORAN_SKIP_FOLDERS (a developer's switch for building around unfinished work).
set(VELMORAN_SKIP_FOLDERS "" CACHE STRING "Subfolders (by name) that velmoran_add_subfolders skips")
function(velmoran_add_subfolders)
    file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
         ${CMAKE_CURRENT_SOURCE_DIR}/*)
    list(SORT children)
    foreach(child IN LISTS children)
        if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child}
           AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt
           AND NOT child IN_LIST VELMORAN_SKIP_FOLDERS)
            add_subdirectory(${child})
        endif()
    endforeach()
endfunction()

# A Qt Test executable of the user interface, registered with CTest and run on Qt's offscreen
# platform.
function(velmoran_qtest name)
    add_executable(${name} ${ARGN})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE velmoran_ui Qt6::Test)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    velmoran_warnings(${name})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 180)
endfunction()
