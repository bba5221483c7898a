# Kernel-mode drivers: native-subsystem images with no C runtime, built once for i686 (<name>.W32,
# a CMake target) and once for x86_64 (<name>.A64, by the x86_64 cross compiler).
set(KIT_DRIVER_COMMON_FLAGS -ffreestanding -fno-stack-protector -fno-tree-loop-distribute-patterns)
set(KIT_DRIVER_C_FLAGS ${KIT_DRIVER_COMMON_FLAGS} -Werror=incompatible-pointer-types)
set(KIT_DRIVER_CXX_FLAGS ${KIT_DRIVER_COMMON_FLAGS} -fno-exceptions -fno-rtti
    -fno-threadsafe-statics -fno-asynchronous-unwind-tables)
set(KIT_DRIVER_LINK_FLAGS -nostdlib -nostartfiles -Wl,--subsystem,native -Wl,--exclude-all-symbols)

# kit_kernel_driver(<target prefix> OUTPUT_DIR <dir> SOURCES <.c/.cpp ...> INCLUDES <dirs ...>
#                   [I386_ASM <.S ...>] [X64_ASM <.S ...>] [DESCRIPTION <version text>])
# Makes <prefix>_w32 (OUTPUT_DIR/KrDrv.W32) and <prefix>_a64 (OUTPUT_DIR/KrDrv.A64); with a
# DESCRIPTION both carry the kit's VERSIONINFO.
function(kit_kernel_driver prefix)
  cmake_parse_arguments(D "" "OUTPUT_DIR;DESCRIPTION" "SOURCES;INCLUDES;I386_ASM;X64_ASM" ${ARGN})
  set(version_rc)
  if(D_DESCRIPTION)
    kit_version_resource(${prefix}_version DRIVER DESCRIPTION "${D_DESCRIPTION}" FILENAME KrDrv.sys)
    set(version_rc ${${prefix}_version_VERSION_RC})
  endif()

  add_library(${prefix}_w32 SHARED ${D_SOURCES} ${D_I386_ASM} ${version_rc})
  target_include_directories(${prefix}_w32 PRIVATE ${D_INCLUDES})
  target_compile_options(${prefix}_w32 PRIVATE
    $<$<COMPILE_LANGUAGE:C>:${KIT_DRIVER_C_FLAGS}> $<$<COMPILE_LANGUAGE:CXX>:${KIT_DRIVER_CXX_FLAGS}>)
  target_link_options(${prefix}_w32 PRIVATE ${KIT_DRIVER_LINK_FLAGS} -Wl,-e,_DriverEntry@8)
  target_link_libraries(${prefix}_w32 PRIVATE ntoskrnl gcc)
  set_target_properties(${prefix}_w32 PROPERTIES PREFIX "" OUTPUT_NAME KrDrv SUFFIX ".W32"
                        IMPORT_PREFIX "" IMPORT_SUFFIX ".W32.lib"
                        RUNTIME_OUTPUT_DIRECTORY ${D_OUTPUT_DIR}
                        ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${prefix}_w32_lib)

  set(output ${D_OUTPUT_DIR}/KrDrv.A64)
  set(objects_dir ${CMAKE_CURRENT_BINARY_DIR}/${prefix}_a64)
  set(include_flags)
  foreach(dir ${D_INCLUDES})
    list(APPEND include_flags -I${dir})
  endforeach()
  set(commands COMMAND ${CMAKE_COMMAND} -E make_directory ${objects_dir})
  set(objects)
  foreach(source ${D_SOURCES} ${D_X64_ASM})
    get_filename_component(stem ${source} NAME_WE)
    get_filename_component(ext ${source} LAST_EXT)
    set(object ${objects_dir}/${stem}.o)
    if(ext STREQUAL ".cpp")
      list(APPEND commands COMMAND x86_64-w64-mingw32-g++ -std=c++20 -O2 -Wall -Wextra
           ${KIT_DRIVER_CXX_FLAGS} ${include_flags} -c ${source} -o ${object})
    else()
      list(APPEND commands COMMAND x86_64-w64-mingw32-gcc -O2 -Wall -Wextra
           ${KIT_DRIVER_C_FLAGS} ${include_flags} -c ${source} -o ${object})
    endif()
    list(APPEND objects ${object})
  endforeach()
  set(headers)
  foreach(dir ${D_INCLUDES})
    file(GLOB dir_headers ${dir}/*.h)
    list(APPEND headers ${dir_headers})
  endforeach()
  if(version_rc)
    list(APPEND commands COMMAND x86_64-w64-mingw32-windres -O coff ${version_rc}
         -o ${objects_dir}/version.o)
    list(APPEND objects ${objects_dir}/version.o)
  endif()
  set(strip)
  if(KIT_RELEASE)
    set(strip -s)
  endif()
  add_custom_command(OUTPUT ${output}
    ${commands}
    COMMAND x86_64-w64-mingw32-gcc -shared ${KIT_DRIVER_LINK_FLAGS} ${strip} -Wl,-e,DriverEntry
            ${objects} -lntoskrnl -lgcc -o ${output}
    DEPENDS ${D_SOURCES} ${D_X64_ASM} ${headers} ${version_rc}
    COMMENT "Building the x86_64 driver ${output}"
    VERBATIM)
  add_custom_target(${prefix}_a64 ALL DEPENDS ${output})
endfunction()
