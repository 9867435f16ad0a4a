# The keychain test talks to a real Secret Service: it runs on a private session bus with a
# fresh gnome-keyring, set up by the wrapper, which also kills the whole run after its deadline.
add_executable(tst_keychain sessionbus/tst_keychain.cpp)
target_link_libraries(tst_keychain PRIVATE FernholmTestSupport Qt6::Test)
add_test(NAME tst_keychain
         COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-secret-service.sh --deadline 60
                 $<TARGET_FILE:tst_keychain>)
set_tests_properties(tst_keychain PROPERTIES TIMEOUT 90)
set_property(TEST tst_keychain APPEND PROPERTY LABELS system)
