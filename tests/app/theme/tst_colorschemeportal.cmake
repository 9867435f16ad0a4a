# The portal test talks to a stand-in settings portal on a private session bus, set up by the
# keychain tests' wrapper without a keyring daemon; the wrapper also bounds the whole run.
add_executable(tst_colorschemeportal sessionbus/tst_colorschemeportal.cpp)
target_link_libraries(tst_colorschemeportal PRIVATE FernholmApp Qt6::Test)
add_test(NAME tst_colorschemeportal
         COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-secret-service.sh --deadline 60 --keyring none
                 $<TARGET_FILE:tst_colorschemeportal>)
set_tests_properties(tst_colorschemeportal PROPERTIES TIMEOUT 90 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
set_property(TEST tst_colorschemeportal APPEND PROPERTY LABELS system)
set_property(TEST tst_colorschemeportal APPEND PROPERTY LABELS view)
