# The tray coming after the application: an X server without a tray, into which the test starts
# trayer. No session bus, so Qt embeds its icon the X way. The run is killed after its deadline.
add_executable(tst_latetray latetray/tst_latetray.cpp)
target_link_libraries(tst_latetray PRIVATE FernholmApp FernholmAppTestSupport FernholmTestSupport Qt6::Test)
target_compile_definitions(tst_latetray PRIVATE
    FERNHOLM_RESOURCES="${CMAKE_SOURCE_DIR}/resources"
    FERNHOLM_SCREENSHOTS="${FERNHOLM_SCREENSHOTS}")
add_test(NAME tst_latetray
         COMMAND timeout --kill-after=5 90 xvfb-run -a -s "-screen 0 1024x768x24" $<TARGET_FILE:tst_latetray>)
set_tests_properties(tst_latetray PROPERTIES TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=xcb;FERNHOLM_NO_ANIMATIONS=1;DBUS_SESSION_BUS_ADDRESS=disabled:")
set_property(TEST tst_latetray APPEND PROPERTY LABELS system)
# xvfb-run -a picks the first free display number, and two started at once can pick the same one:
# tests with an X server of their own take turns.
set_property(TEST tst_latetray APPEND PROPERTY RESOURCE_LOCK xserver)
