# The kit's binaries must load on Windows 95 to Server 2003. The posix thread model's runtime
# (winpthreads, pulled in by libgcc's unwinder) imports functions those systems lack, such as
# GetTickCount64 and AddVectoredExceptionHandler. The tests need that model (std::thread,
# std::mutex); the shipped binaries link the same compiler's win32-thread-model runtime instead.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-libgcc-file-name
                OUTPUT_VARIABLE _kit_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(_kit_runtime_dir ${_kit_libgcc} DIRECTORY)
string(REGEX REPLACE "-posix$" "-win32" KIT_SHIPPED_RUNTIME_DIR ${_kit_runtime_dir})
if(NOT EXISTS ${KIT_SHIPPED_RUNTIME_DIR}/libstdc++.a)
  message(FATAL_ERROR "no win32-thread-model runtime beside ${_kit_runtime_dir}")
endif()

# kit_shipped_binary(<target>): links <target> with the runtime every supported Windows has. A
# program also gets the runtime's throwing paths replaced (cmake/shipped_runtime.cpp).
function(kit_shipped_binary target)
  target_link_options(${target} PRIVATE -L${KIT_SHIPPED_RUNTIME_DIR})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/cmake/shipped_runtime.cpp)
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>)
    # A program is always loaded at its own base (no Windows of the kit moves a program), so
    # the release keeps no relocations for it; a library keeps them.
    if(KIT_RELEASE)
      target_link_options(${target} PRIVATE -Wl,--disable-reloc-section)
    endif()
  endif()
endfunction()
