# Install layout: the programs in bin/, what only they start (the batch
# interpreter, our RLTools) in lib/tamrix/, the rest under share/. The programs
# find each other through the relative path from bin/ to lib/tamrix/.
include(GNUInstallDirs)
set(TAMRIX_INSTALL_PRIVATEDIR lib/tamrix CACHE STRING
    "Folder, relative to the install prefix, of the batch interpreter and of our RLTools")
file(RELATIVE_PATH TAMRIX_PRIVATE_FROM_BIN /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${TAMRIX_INSTALL_PRIVATEDIR})
# The documents (the translator's guide the programs show on F1), found the same way.
set(TAMRIX_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/tamrix)
file(RELATIVE_PATH TAMRIX_DOC_FROM_BIN /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${TAMRIX_INSTALL_DOCDIR})

# Core libraries use the standard library only; the check at the end of the
# configuration fails the build if one of them links Qt.
set_property(GLOBAL PROPERTY TAMRIX_CORE_TARGETS "")

function(tamrix_core_library name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    set_property(GLOBAL APPEND PROPERTY TAMRIX_CORE_TARGETS ${name})
endfunction()

# The editor's libraries live in folders under quenlit/, one capability each,
# and include each other's headers with the folder's name ("checks/checks.h").
# A library includes only the headers of its own folder and of the folders whose
# libraries it links: the check at the end of the configuration fails the build
# otherwise, so that the dependencies stay one way.
set_property(GLOBAL PROPERTY QUENLIT_LIBRARIES "")

function(quenlit_folder name)
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/quenlit ${CMAKE_CURRENT_SOURCE_DIR})
    set_property(TARGET ${name} PROPERTY QUENLIT_FOLDER ${folder})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/quenlit)
    set_property(GLOBAL APPEND PROPERTY QUENLIT_LIBRARIES ${name})
endfunction()

# A Qt-free library of the editor.
function(quenlit_library name)
    add_library(${name} STATIC ${ARGN})
    set_property(GLOBAL APPEND PROPERTY TAMRIX_CORE_TARGETS ${name})
    quenlit_folder(${name})
endfunction()

function(_quenlit_linked_folders target out)
    set(folders "")
    get_target_property(own ${target} QUENLIT_FOLDER)
    if(own)
        list(APPEND folders ${own})
    endif()
    get_target_property(libs ${target} LINK_LIBRARIES)
    if(libs)
        foreach(lib IN LISTS libs)
            if(TARGET ${lib})
                _quenlit_linked_folders(${lib} sub)
                list(APPEND folders ${sub})
            endif()
        endforeach()
    endif()
    list(REMOVE_DUPLICATES folders)
    set(${out} ${folders} PARENT_SCOPE)
endfunction()

function(quenlit_check_includes)
    get_property(libraries GLOBAL PROPERTY QUENLIT_LIBRARIES)
    set(known "")
    foreach(lib IN LISTS libraries)
        get_target_property(folder ${lib} QUENLIT_FOLDER)
        list(APPEND known ${folder})
    endforeach()
    foreach(lib IN LISTS libraries)
        _quenlit_linked_folders(${lib} allowed)
        get_target_property(dir ${lib} SOURCE_DIR)
        get_target_property(sources ${lib} SOURCES)
        foreach(source IN LISTS sources)
            string(REGEX REPLACE "\\.cpp$" ".h" header ${source})
            foreach(file IN ITEMS ${dir}/${source} ${dir}/${header})
                if(NOT EXISTS ${file})
                    continue()
                endif()
                file(STRINGS ${file} includes REGEX "^#include \"[a-z]+/")
                foreach(line IN LISTS includes)
                    string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" folder "${line}")
                    if(folder IN_LIST known AND NOT folder IN_LIST allowed)
                        message(FATAL_ERROR "${file} includes ${folder}/ but ${lib} does not link its library")
                    endif()
                endforeach()
            endforeach()
        endforeach()
    endforeach()
endfunction()

function(tamrix_qt_target name)
    target_compile_definitions(${name} PRIVATE QT_NO_CAST_FROM_ASCII QT_USE_QSTRINGBUILDER QT_NO_FOREACH)
endfunction()

function(_tamrix_links_qt target out)
    set(found FALSE)
    get_target_property(libs ${target} LINK_LIBRARIES)
    if(libs)
        foreach(lib IN LISTS libs)
            if(lib MATCHES "Qt[0-9]*::" OR lib MATCHES "^Qt")
                set(found TRUE)
            elseif(TARGET ${lib})
                _tamrix_links_qt(${lib} sub)
                if(sub)
                    set(found TRUE)
                endif()
            endif()
        endforeach()
    endif()
    set(${out} ${found} PARENT_SCOPE)
endfunction()

function(tamrix_check_core_targets)
    get_property(targets GLOBAL PROPERTY TAMRIX_CORE_TARGETS)
    foreach(t IN LISTS targets)
        _tamrix_links_qt(${t} links)
        if(links)
            message(FATAL_ERROR "Core library ${t} must not link Qt")
        endif()
    endforeach()
endfunction()

# A GoogleTest executable registered with CTest.
function(tamrix_gtest name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main)
    # A skipped test shows as skipped, not as passed.
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS core
        SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
endfunction()

# A Qt Test executable registered with CTest, run on the offscreen platform.
function(tamrix_qtest name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE Qt6::Test)
    tamrix_qt_target(${name})
    add_test(NAME ${name} COMMAND ${name})
    # The editor's autosave journals, the user's configuration (fontconfig's too)
    # and data of a test go to folders of the test's own.
    set(home ${CMAKE_CURRENT_BINARY_DIR}/${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_STATE_HOME=${home}-state;XDG_CONFIG_HOME=${home}-config;XDG_DATA_HOME=${home}-data"
        LABELS gui TIMEOUT 300)
    # Spelling dictionaries are looked for in a folder of the test's own (empty),
    # never in the machine's.
    set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "DICPATH=${CMAKE_CURRENT_BINARY_DIR}/${name}-dictionaries")
endfunction()

# The programs' icons: PNGs at every size a desktop asks for, made from the SVG
# sources in packaging/icons (NAME-16.svg, where there is one, is the picture
# drawn for the smallest size), laid out as in an icon theme under
# build/icons/hicolor and compiled into `target` as Qt resources under
# :/icons/hicolor/SIZExSIZE/apps/NAME.png.
set(TAMRIX_ICON_SIZES 16 32 48 64 128 256)
set(TAMRIX_ICON_DIR ${PROJECT_BINARY_DIR}/icons)

function(tamrix_program_icons target)
    find_program(TAMRIX_RSVG_CONVERT rsvg-convert)
    if(NOT TAMRIX_RSVG_CONVERT)
        message(FATAL_ERROR "rsvg-convert not found: install Debian's librsvg2-bin (scripts/install-deps does)")
    endif()
    set(pngs "")
    foreach(name IN LISTS ARGN)
        set(svg ${PROJECT_SOURCE_DIR}/packaging/icons/${name}.svg)
        set(small ${PROJECT_SOURCE_DIR}/packaging/icons/${name}-16.svg)
        foreach(size IN LISTS TAMRIX_ICON_SIZES)
            set(source ${svg})
            if(size LESS 32 AND EXISTS ${small})
                set(source ${small})
            endif()
            set(dir ${TAMRIX_ICON_DIR}/hicolor/${size}x${size}/apps)
            set(png ${dir}/${name}.png)
            add_custom_command(OUTPUT ${png}
                COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
                COMMAND ${TAMRIX_RSVG_CONVERT} --width=${size} --height=${size} --output=${png} ${source}
                DEPENDS ${source} VERBATIM)
            list(APPEND pngs ${png})
        endforeach()
    endforeach()
    qt_add_resources(${target} programicons PREFIX /icons BASE ${TAMRIX_ICON_DIR} FILES ${pngs})
endfunction()
