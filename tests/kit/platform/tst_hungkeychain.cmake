# The data key against a Secret Service that never answers: the test owns the service's name on a
# private session bus without a keyring daemon. The wrapper kills the whole run after its deadline.
add_executable(tst_hungkeychain sessionbus/tst_hungkeychain.cpp)
target_link_libraries(tst_hungkeychain PRIVATE FernholmTestSupport Qt6::Test)
add_test(NAME tst_hungkeychain
         COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-secret-service.sh --deadline 90 --keyring none
                 $<TARGET_FILE:tst_hungkeychain>)
set_tests_properties(tst_hungkeychain PROPERTIES TIMEOUT 120)
set_property(TEST tst_hungkeychain APPEND PROPERTY LABELS system)
