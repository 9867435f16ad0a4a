# The built program end to end: an X server, a private session bus with a keyring and the
# accessibility bus (endtoend/with-desktop.sh), the stand-in gateway, and a pyatspi driver run by
# Debian's /usr/bin/python3. The program uses the real port 9090, so no two such tests run at once.
# Without OpenGL: Mesa's software driver, loaded for GLX, is unloaded at exit with an allocation
# that the leak checker then reports with no module to suppress it by.
if(TARGET tarvine)
    add_executable(tst_endtoend endtoend/tst_endtoend.cpp)
    target_link_libraries(tst_endtoend PRIVATE Qt6::Widgets Qt6::Network Qt6::Test)
    target_compile_definitions(tst_endtoend PRIVATE
        FERNHOLM_PROGRAM="$<TARGET_FILE:tarvine>"
        FERNHOLM_FAKE_GATEWAY="$<TARGET_FILE:fake_gateway>"
        FERNHOLM_DRIVER="${CMAKE_CURRENT_SOURCE_DIR}/endtoend/drive.py"
        FERNHOLM_SCREENSHOTS="${FERNHOLM_SCREENSHOTS}")
    add_dependencies(tst_endtoend tarvine fake_gateway)
    add_test(NAME tst_endtoend
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/endtoend/with-desktop.sh 600 $<TARGET_FILE:tst_endtoend>)
    set_tests_properties(tst_endtoend PROPERTIES TIMEOUT 650 RESOURCE_LOCK port9090
        ENVIRONMENT "QT_QPA_PLATFORM=xcb;QT_XCB_GL_INTEGRATION=none;ASAN_OPTIONS=new_delete_type_mismatch=0;LSAN_OPTIONS=fast_unwind_on_malloc=0:suppressions=${CMAKE_SOURCE_DIR}/tests/app/support/webengine-leaks.supp")
    set_property(TEST tst_endtoend APPEND PROPERTY LABELS system)
    # xvfb-run -a picks the first free display number, and two started at once can pick the same one:
    # tests with an X server of their own take turns.
    set_property(TEST tst_endtoend APPEND PROPERTY RESOURCE_LOCK xserver)
endif()
