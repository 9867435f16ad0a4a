# The proxy cleaner end to end on the dconf settings backend: a private session bus with dconf's
# daemon in a home folder of its own; the cleaner runs as a process of its own.
add_executable(clear_proxy sessionbus/clear_proxy.cpp)
target_link_libraries(clear_proxy PRIVATE FernholmKit)
add_executable(tst_dconfproxy sessionbus/tst_dconfproxy.cpp)
target_link_libraries(tst_dconfproxy PRIVATE Qt6::Core Qt6::Test)
target_compile_definitions(tst_dconfproxy PRIVATE FERNHOLM_CLEAR_PROXY="$<TARGET_FILE:clear_proxy>")
add_dependencies(tst_dconfproxy clear_proxy)
add_test(NAME tst_dconfproxy
         COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-secret-service.sh --deadline 60 --keyring none
                 $<TARGET_FILE:tst_dconfproxy>)
set_tests_properties(tst_dconfproxy PROPERTIES TIMEOUT 90 ENVIRONMENT "GSETTINGS_BACKEND=dconf")
set_property(TEST tst_dconfproxy APPEND PROPERTY LABELS system)
