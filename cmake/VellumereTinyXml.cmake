# Provides the target TinyXML::TinyXML.
#
# With VELLUMERE_TINYXML_SOURCE set (Debian's source package, patches applied)
# the library is compiled here, with the flags of this build: the Windows
# cross-build and the fuzzer's instrumented build use that. Otherwise an
# installed TinyXML is used: a package configuration (vcpkg's
# unofficial-tinyxml), pkg-config (MSYS2, Debian), or a plain header and library.

if(TARGET TinyXML::TinyXML)
    return()
endif()

if(VELLUMERE_TINYXML_SOURCE)
    set(_src "${VELLUMERE_TINYXML_SOURCE}")
    if(NOT EXISTS "${_src}/tinyxml.cpp")
        message(FATAL_ERROR "No TinyXML source in ${_src}; tools/setup unpacks it")
    endif()
    add_library(tinyxml_from_source STATIC
        "${_src}/tinyxml.cpp" "${_src}/tinystr.cpp" "${_src}/tinyxmlerror.cpp" "${_src}/tinyxmlparser.cpp")
    target_compile_definitions(tinyxml_from_source PUBLIC TIXML_USE_STL)
    target_include_directories(tinyxml_from_source SYSTEM PUBLIC "${_src}")
    if(NOT MSVC)
        target_compile_options(tinyxml_from_source PRIVATE -w)
    endif()
    add_library(TinyXML::TinyXML ALIAS tinyxml_from_source)
    return()
endif()

find_package(unofficial-tinyxml CONFIG QUIET)
if(TARGET unofficial-tinyxml::unofficial-tinyxml)
    add_library(TinyXML::TinyXML INTERFACE IMPORTED)
    target_link_libraries(TinyXML::TinyXML INTERFACE unofficial-tinyxml::unofficial-tinyxml)
    target_compile_definitions(TinyXML::TinyXML INTERFACE TIXML_USE_STL)
    return()
endif()

find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
    pkg_check_modules(TINYXML QUIET IMPORTED_TARGET tinyxml)
    if(TINYXML_FOUND)
        add_library(TinyXML::TinyXML INTERFACE IMPORTED)
        target_link_libraries(TinyXML::TinyXML INTERFACE PkgConfig::TINYXML)
        target_compile_definitions(TinyXML::TinyXML INTERFACE TIXML_USE_STL)
        return()
    endif()
endif()

find_path(TINYXML_INCLUDE_DIR tinyxml.h)
find_library(TINYXML_LIBRARY NAMES tinyxml)
if(NOT TINYXML_INCLUDE_DIR OR NOT TINYXML_LIBRARY)
    message(FATAL_ERROR "TinyXML 2.6.2 not found: install it (Debian: libtinyxml-dev) or set VELLUMERE_TINYXML_SOURCE")
endif()
add_library(TinyXML::TinyXML UNKNOWN IMPORTED)
set_target_properties(TinyXML::TinyXML PROPERTIES
    IMPORTED_LOCATION "${TINYXML_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${TINYXML_INCLUDE_DIR}"
    INTERFACE_COMPILE_DEFINITIONS TIXML_USE_STL)
