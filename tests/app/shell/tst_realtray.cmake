# The tray icon and its panel in a real tray: an X server (xvfb-run), trayer as the tray host
# (started by the wrapper), clicks sent with xdotool. No session bus, so Qt embeds its icon the
# X way. The run is killed after its deadline, so a hung X server cannot hang the suite.
add_executable(tst_realtray tray/tst_realtray.cpp)
target_link_libraries(tst_realtray PRIVATE FernholmApp FernholmAppTestSupport FernholmTestSupport Qt6::Test)
target_compile_definitions(tst_realtray PRIVATE
    FERNHOLM_RESOURCES="${CMAKE_SOURCE_DIR}/resources"
    FERNHOLM_SCREENSHOTS="${FERNHOLM_SCREENSHOTS}")
add_test(NAME tst_realtray
         COMMAND timeout --kill-after=5 90 xvfb-run -a -s "-screen 0 1024x768x24"
                 ${CMAKE_CURRENT_SOURCE_DIR}/tray/with-trayer.sh $<TARGET_FILE:tst_realtray>)
set_tests_properties(tst_realtray PROPERTIES TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=xcb;FERNHOLM_NO_ANIMATIONS=1;DBUS_SESSION_BUS_ADDRESS=disabled:")
set_property(TEST tst_realtray APPEND PROPERTY LABELS system)
set_property(TEST tst_realtray APPEND PROPERTY LABELS view screenshots)
# xvfb-run -a picks the first free display number, and two started at once can pick the same one:
# tests with an X server of their own take turns.
set_property(TEST tst_realtray APPEND PROPERTY RESOURCE_LOCK xserver)
