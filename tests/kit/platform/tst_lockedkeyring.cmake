# The data key in a keyring loaded locked from disk. The test starts two runs of the keyring
# daemon on private buses, one after the other on the same home folder, each running one step
# of keyring_step; each run is killed after its own deadline.
add_executable(keyring_step sessionbus/keyring_step.cpp)
target_link_libraries(keyring_step PRIVATE FernholmKit Qt6::DBus)
target_include_directories(keyring_step PRIVATE ${CMAKE_SOURCE_DIR}/tests)
add_executable(tst_lockedkeyring sessionbus/tst_lockedkeyring.cpp)
target_link_libraries(tst_lockedkeyring PRIVATE Qt6::Core Qt6::Test)
target_compile_definitions(tst_lockedkeyring PRIVATE
    FERNHOLM_SECRET_SERVICE_WRAPPER="${CMAKE_SOURCE_DIR}/tests/support/with-secret-service.sh"
    FERNHOLM_KEYRING_STEP="$<TARGET_FILE:keyring_step>")
add_dependencies(tst_lockedkeyring keyring_step)
add_test(NAME tst_lockedkeyring COMMAND tst_lockedkeyring)
set_tests_properties(tst_lockedkeyring PROPERTIES TIMEOUT 120)
set_property(TEST tst_lockedkeyring APPEND PROPERTY LABELS system)
