# Cross-built tests under Wine (scripts/test-windows): Qt's, libmpg123's, the compiler's DLLs on
# PATH, and Debian's CJK fonts and a Latin one in one folder: offscreen Qt on Windows reads one.
get_filename_component(qt_bin "${Qt6_DIR}/../../../bin" ABSOLUTE)
pkg_get_variable(mpg123_prefix libmpg123 prefix)
set(dll_dirs "${qt_bin}" "${mpg123_prefix}/bin")
foreach(dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE found
        OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(found "${found}" DIRECTORY)
    list(APPEND dll_dirs "${found}")
endforeach()

set(font_dir "${CMAKE_CURRENT_BINARY_DIR}/fonts")
file(MAKE_DIRECTORY "${font_dir}")
foreach(font arphic/uming.ttc arphic/ukai.ttc wqy/wqy-zenhei.ttc dejavu/DejaVuSans.ttf)
    get_filename_component(name "${font}" NAME)
    file(CREATE_LINK "/usr/share/fonts/truetype/${font}" "${font_dir}/${name}" SYMBOLIC)
endforeach()

list(JOIN dll_dirs ":" dll_dirs)
list(APPEND test_environment "QUENZO_DLL_DIRS=${dll_dirs}" "QT_QPA_FONTDIR=${font_dir}")
