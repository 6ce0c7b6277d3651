# The Windows build's Qt programs: what they need beside them to run, for the
# tests under Wine and for the folder a user copies (packaging/).
#
# Qt is a set of DLLs (its licence, LGPL-3, asks that they stay replaceable);
# Qt's DLLs use MinGW's C++ runtime DLLs. Our programs link that runtime
# statically, so only Qt brings the runtime DLLs along.

# MINGW_RUNTIME_DLLS: the MinGW DLLs that Qt's DLLs load.
set(MINGW_RUNTIME_DLLS "")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(path "${path}" REALPATH)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
  endif()
  list(APPEND MINGW_RUNTIME_DLLS "${path}")
endforeach()

# Test programs run by Wine find Qt's DLLs and the runtime where they are:
# the emulator is told their folders (Qt finds its plugins from its DLLs).
get_target_property(qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
if(NOT qt_core_dll)
  get_target_property(qt_core_dll Qt6::Core IMPORTED_LOCATION)
endif()
get_filename_component(qt_dll_dir "${qt_core_dll}" DIRECTORY)
set(windows_dll_dirs "${qt_dll_dir}")
foreach(dll ${MINGW_RUNTIME_DLLS})
  get_filename_component(dir "${dll}" DIRECTORY)
  list(APPEND windows_dll_dirs "${dir}")
endforeach()
list(REMOVE_DUPLICATES windows_dll_dirs)
list(JOIN windows_dll_dirs ":" windows_dll_path)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CROSSCOMPILING_EMULATOR} --dll-path ${windows_dll_path})

# install_qt_runtime(): installs what a Qt program needs beside it, and no
# more: Qt Core, Gui and Widgets, the Windows platform plugin, the Windows
# style, and the MinGW runtime DLLs, laid out as Qt looks for them (plugin
# folders beside the program).
function(install_qt_runtime)
  install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
                ${MINGW_RUNTIME_DLLS}
          DESTINATION .)
  # Debian ships MinGW's runtime DLLs with their debug sections (most of
  # libstdc++-6.dll's 23 MB): they go in stripped.
  foreach(dll ${MINGW_RUNTIME_DLLS})
    get_filename_component(name ${dll} NAME)
    install(CODE "execute_process(COMMAND ${CMAKE_STRIP} --strip-unneeded
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${name}\" COMMAND_ERROR_IS_FATAL ANY)")
  endforeach()
  install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
  install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
endfunction()
