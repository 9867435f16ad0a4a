# Notification tests. The system notifier against a fake notification service runs on a private
# session bus on which nothing is activatable; against a service that is only activatable (and
# fails to start) on another; against dunst under an X server, with dunst started by the wrapper. Each run is killed after its deadline, so a hung bus cannot hang
# the suite.
set(notifications_dir ${CMAKE_CURRENT_SOURCE_DIR}/notifications)
foreach(name tst_systemnotifier tst_activatablenotifier tst_dunstnotifier)
    add_executable(${name} ${notifications_dir}/${name}.cpp)
    target_link_libraries(${name} PRIVATE FernholmApp FernholmTestSupport Qt6::Test Qt6::DBus)
endforeach()

add_test(NAME tst_systemnotifier
         COMMAND timeout --kill-after=5 60
                 dbus-run-session --config-file=${notifications_dir}/session.conf --
                 $<TARGET_FILE:tst_systemnotifier>)

add_test(NAME tst_activatablenotifier
         COMMAND timeout --kill-after=5 60
                 dbus-run-session --config-file=${notifications_dir}/activation/session.conf --
                 $<TARGET_FILE:tst_activatablenotifier>)

add_test(NAME tst_dunstnotifier
         COMMAND timeout --kill-after=5 60
                 xvfb-run -a dbus-run-session -- ${notifications_dir}/with-dunst.sh ${notifications_dir}/dunstrc
                 $<TARGET_FILE:tst_dunstnotifier>)

set_tests_properties(tst_systemnotifier tst_activatablenotifier tst_dunstnotifier PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 90)
set_property(TEST tst_systemnotifier tst_activatablenotifier tst_dunstnotifier APPEND PROPERTY LABELS model system)
# xvfb-run -a picks the first free display number, and two started at once can pick the same one:
# tests with an X server of their own take turns.
set_property(TEST tst_dunstnotifier APPEND PROPERTY RESOURCE_LOCK xserver)
