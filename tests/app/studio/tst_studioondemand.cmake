# The program's way to the studio: the module, loaded by its path, never linked. Run offscreen,
# and again on an X server where the module's OpenGL context is really made. The web engine runs
# as in the other studio tests: as root Chromium refuses to start with its sandbox, and the flags
# keep it from reaching out while the tests run.
target_compile_definitions(tst_studioondemand PRIVATE FERNHOLM_STUDIO_MODULE="$<TARGET_FILE:tarvine_studio>")
add_dependencies(tst_studioondemand tarvine_studio)
set(on_demand_environment
    "QTWEBENGINE_DISABLE_SANDBOX=1"
    "QTWEBENGINE_CHROMIUM_FLAGS=--disable-background-networking --disable-component-update"
    "FERNHOLM_NO_ANIMATIONS=1")
if(FERNHOLM_SANITIZE)
    list(APPEND on_demand_environment
        "ASAN_OPTIONS=new_delete_type_mismatch=0"
        "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/app/support/webengine-leaks.supp")
endif()
set_tests_properties(tst_studioondemand PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${on_demand_environment}" TIMEOUT 300)
set_property(TEST tst_studioondemand APPEND PROPERTY LABELS system)
add_test(NAME tst_studioondemand_x11
         COMMAND timeout --kill-after=5 280 xvfb-run -a -s "-screen 0 1280x900x24" $<TARGET_FILE:tst_studioondemand>)
set(x11_environment ${on_demand_environment})
if(FERNHOLM_SANITIZE)
    # Mesa's drivers, loaded for the OpenGL context, are unloaded before the leak check runs: what
    # they keep has no module left to name or suppress it by. The offscreen run keeps the check.
    list(TRANSFORM x11_environment REPLACE "^ASAN_OPTIONS=(.*)$" "ASAN_OPTIONS=\\1:detect_leaks=0")
endif()
set_tests_properties(tst_studioondemand_x11 PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=xcb;${x11_environment}" TIMEOUT 300 LABELS system)
# xvfb-run -a picks the first free display number, and two started at once can pick the same one:
# tests with an X server of their own take turns.
set_property(TEST tst_studioondemand_x11 APPEND PROPERTY RESOURCE_LOCK xserver)
