# Test executables run under Wine in a private 32-bit prefix inside the build tree. Wine reports
# the Windows version per executable name, so each test names the version it means.
set(KIT_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix of the test runs")
set(KIT_WINE_SETTINGS ${CMAKE_BINARY_DIR}/wine-settings.reg)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh ${KIT_WINE_PREFIX})

# 64-bit Windows 5.2 is a road of its own (the library installs the 64-bit driver there): its
# tests run the same 32-bit programs under WOW64 in a 64-bit prefix, with versions of its own.
set(KIT_WINE64_PREFIX ${CMAKE_BINARY_DIR}/wineprefix64 CACHE PATH "64-bit Wine prefix of the test runs")
set(KIT_WINE64_SETTINGS ${CMAKE_BINARY_DIR}/wine64-settings.reg)
set(KIT_WINE64_RUN ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh ${KIT_WINE64_PREFIX})

# GUI tests (tray icon, menus, windows) run in a prefix of their own with the real graphics
# driver, on one Xvfb display that the whole CTest run shares.
set(KIT_WINE_GUI_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-gui CACHE PATH "Wine prefix of the GUI tests")
set(KIT_WINE_GUI_SETTINGS ${CMAKE_BINARY_DIR}/wine-gui-settings.reg)
set(KIT_XVFB_DIR ${CMAKE_BINARY_DIR}/xvfb)
set(KIT_WINE_GUI_RUN ${CMAKE_SOURCE_DIR}/cmake/wine-gui-run.sh ${KIT_WINE_GUI_PREFIX}
    ${KIT_XVFB_DIR}/xvfb.display)

# kit_wine_test(<target> <version> [WIN64] [NAME <exe name>] [LOCK <resource>] [TIMEOUT <s>]
#               [ARGS ...])
# Runs <target> under Wine as <version> (win95, win98, winme, nt40, win2k, winxp, win2003, win7).
# NAME runs a copy under another file name, so one test program can meet several versions.
# WIN64 runs it in the 64-bit prefix (NAME required); its tests are labelled win64.
function(kit_wine_test target version)
  cmake_parse_arguments(T "WIN64" "NAME;LOCK;TIMEOUT" "ARGS" ${ARGN})
  if(T_WIN64)
    if(NOT T_NAME)
      message(FATAL_ERROR "kit_wine_test(${target} ${version} WIN64) needs a NAME of its own")
    endif()
    set(run ${KIT_WINE64_RUN})
    set(fixture wine64_prefix)
    set(versions KIT_WINE64_VERSIONS)
    set(labels "${version};win64")
  else()
    set(run ${CMAKE_CROSSCOMPILING_EMULATOR})
    set(fixture wine_prefix)
    set(versions KIT_WINE_VERSIONS)
    set(labels ${version})
  endif()
  if(T_NAME)
    set(exe ${T_NAME})
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${KIT_OUTPUT_DIR}/${exe}.exe)
    add_test(NAME ${exe} COMMAND ${run} ${KIT_OUTPUT_DIR}/${exe}.exe
             ${T_ARGS} WORKING_DIRECTORY ${KIT_OUTPUT_DIR})
  else()
    set(exe ${target})
    add_test(NAME ${exe} COMMAND ${target} ${T_ARGS} WORKING_DIRECTORY ${KIT_OUTPUT_DIR})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${exe} PROPERTIES FIXTURES_REQUIRED ${fixture} TIMEOUT ${T_TIMEOUT}
                       LABELS "${labels}")
  if(T_LOCK)
    set_tests_properties(${exe} PROPERTIES RESOURCE_LOCK ${T_LOCK})
  endif()
  set_property(GLOBAL APPEND PROPERTY ${versions} "${exe}.exe=${version}")
endfunction()

# kit_wine_gui_test(<target> <version> [NAME <exe name>] [LOCK <resource>] [TIMEOUT <s>] [ARGS ...])
# As kit_wine_test, but in the GUI prefix on the run's Xvfb display.
function(kit_wine_gui_test target version)
  cmake_parse_arguments(T "" "NAME;LOCK;TIMEOUT" "ARGS" ${ARGN})
  if(T_NAME)
    set(exe ${T_NAME})
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${KIT_OUTPUT_DIR}/${exe}.exe)
  else()
    set(exe ${target})
  endif()
  add_test(NAME ${exe} COMMAND ${KIT_WINE_GUI_RUN} ${KIT_OUTPUT_DIR}/${exe}.exe ${T_ARGS}
           WORKING_DIRECTORY ${KIT_OUTPUT_DIR})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${exe} PROPERTIES FIXTURES_REQUIRED "xvfb;wine_gui_prefix"
                       TIMEOUT ${T_TIMEOUT} LABELS "${version};gui")
  if(T_LOCK)
    set_tests_properties(${exe} PROPERTIES RESOURCE_LOCK ${T_LOCK})
  endif()
  set_property(GLOBAL APPEND PROPERTY KIT_WINE_VERSIONS "${exe}.exe=${version}")
endfunction()

# A settings file: the version each executable of <pairs> ("name.exe=version") sees, and the
# null graphics driver so that message boxes exist (and can be read and closed by a test
# thread) without a display.
function(kit_wine_settings_text pairs out)
  set(text "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\n\"Graphics\"=\"null\"\n")
  foreach(pair IN LISTS pairs)
    string(REPLACE "=" ";" parts "${pair}")
    list(GET parts 0 exe)
    list(GET parts 1 version)
    string(APPEND text "\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\${exe}]\n\"Version\"=\"${version}\"\n")
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The prefixes' registry settings and the fixtures that make and end each prefix once a run.
function(kit_write_wine_settings)
  get_property(pairs GLOBAL PROPERTY KIT_WINE_VERSIONS)
  list(APPEND pairs ${KIT_EXTRA_WINE_VERSIONS})
  kit_wine_settings_text("${pairs}" text)
  file(WRITE ${KIT_WINE_SETTINGS} "${text}")
  # The GUI prefix: the same versions, the real graphics driver, and Wine's shell desktop (a
  # virtual desktop with a taskbar and its notification area). Xvfb runs no window manager, and
  # outside a virtual desktop Wine waits two seconds for every hidden top-level window (the
  # notification area's own window among them) to be withdrawn.
  string(REPLACE "[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\n\"Graphics\"=\"null\"\n" ""
         gui_text "${text}")
  string(APPEND gui_text "\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\n\"Desktop\"=\"shell\"\n"
         "\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\n\"shell\"=\"1024x768\"\n")
  file(WRITE ${KIT_WINE_GUI_SETTINGS} "${gui_text}")

  add_test(NAME wine_prefix_setup
           COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/wine-prefix.sh setup ${KIT_WINE_PREFIX} ${KIT_WINE_SETTINGS})
  add_test(NAME wine_prefix_cleanup
           COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/wine-prefix.sh cleanup ${KIT_WINE_PREFIX})
  set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300)
  set_tests_properties(wine_prefix_cleanup PROPERTIES FIXTURES_CLEANUP wine_prefix TIMEOUT 120)

  # Wine starts a kernel driver in a 32-bit or a 64-bit driver host by the WOW64 mark of its
  # service, not by the image (GetBinaryType does not read .sys files), so a service that a
  # 32-bit program creates could never load KrDrv.A64 before the prefix restarts. The bench
  # registers KRDrv as a 64-bit process would; the library finds it and rewrites its key.
  get_property(pairs64 GLOBAL PROPERTY KIT_WINE64_VERSIONS)
  kit_wine_settings_text("${pairs64}" text64)
  string(APPEND text64 "\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KRDrv]\n"
         "\"Type\"=dword:00000001\n\"Start\"=dword:00000003\n\"ErrorControl\"=dword:00000001\n"
         "\"ImagePath\"=\"C:\\\\windows\\\\system32\\\\drivers\\\\KRDrv.sys\"\n")
  file(WRITE ${KIT_WINE64_SETTINGS} "${text64}")
  add_test(NAME wine64_prefix_setup
           COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/wine-prefix.sh setup ${KIT_WINE64_PREFIX}
                   ${KIT_WINE64_SETTINGS})
  add_test(NAME wine64_prefix_cleanup
           COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/wine-prefix.sh cleanup ${KIT_WINE64_PREFIX})
  set_tests_properties(wine64_prefix_setup PROPERTIES FIXTURES_SETUP wine64_prefix TIMEOUT 300
                       ENVIRONMENT KIT_WINEARCH=win64)
  set_tests_properties(wine64_prefix_cleanup PROPERTIES FIXTURES_CLEANUP wine64_prefix
                       TIMEOUT 120)

  add_test(NAME xvfb_start COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/xvfb.sh start ${KIT_XVFB_DIR})
  add_test(NAME xvfb_stop COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/xvfb.sh stop ${KIT_XVFB_DIR})
  set_tests_properties(xvfb_start PROPERTIES FIXTURES_SETUP xvfb TIMEOUT 60)
  set_tests_properties(xvfb_stop PROPERTIES FIXTURES_CLEANUP xvfb TIMEOUT 60)
  add_test(NAME wine_gui_prefix_setup
           COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/wine-prefix.sh setup ${KIT_WINE_GUI_PREFIX}
                   ${KIT_WINE_GUI_SETTINGS})
  add_test(NAME wine_gui_prefix_cleanup
           COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/wine-prefix.sh cleanup ${KIT_WINE_GUI_PREFIX})
  set_tests_properties(wine_gui_prefix_setup PROPERTIES FIXTURES_SETUP wine_gui_prefix
                       FIXTURES_REQUIRED xvfb TIMEOUT 300
                       ENVIRONMENT KIT_DISPLAY_FILE=${KIT_XVFB_DIR}/xvfb.display)
  set_tests_properties(wine_gui_prefix_cleanup PROPERTIES FIXTURES_CLEANUP wine_gui_prefix
                       FIXTURES_REQUIRED xvfb TIMEOUT 120)
endfunction()
