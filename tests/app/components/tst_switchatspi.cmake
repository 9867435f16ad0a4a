# The switch flipped by an assistive technology over the real accessibility bus: an X server
# (xvfb-run), a private session bus that starts the accessibility bus on demand, Qt's AT-SPI
# bridge forced on, and a pyatspi client (python3-pyatspi, at-spi2-core).
add_executable(tst_switchatspi atspi/tst_switchatspi.cpp)
target_link_libraries(tst_switchatspi PRIVATE FernholmApp Qt6::DBus Qt6::Test)
target_compile_definitions(tst_switchatspi PRIVATE
    FERNHOLM_ATSPI_CLIENT="${CMAKE_CURRENT_SOURCE_DIR}/atspi/toggle-switch.py")
add_test(NAME tst_switchatspi
         COMMAND timeout --kill-after=5 90 xvfb-run -a -s "-screen 0 640x480x24"
                 dbus-run-session -- $<TARGET_FILE:tst_switchatspi>)
set_tests_properties(tst_switchatspi PROPERTIES TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=xcb;QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1;FERNHOLM_NO_ANIMATIONS=1")
set_property(TEST tst_switchatspi APPEND PROPERTY LABELS system)
set_property(TEST tst_switchatspi APPEND PROPERTY LABELS view)
# xvfb-run -a picks the first free display number, and two started at once can pick the same one:
# tests with an X server of their own take turns.
set_property(TEST tst_switchatspi APPEND PROPERTY RESOURCE_LOCK xserver)
