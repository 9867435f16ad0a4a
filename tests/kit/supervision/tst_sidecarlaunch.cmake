# The launch tests start the stand-in gateway for real.
target_compile_definitions(tst_sidecarlaunch PRIVATE FERNHOLM_FAKE_GATEWAY="$<TARGET_FILE:fake_gateway>")
add_dependencies(tst_sidecarlaunch fake_gateway)
set_tests_properties(tst_sidecarlaunch PROPERTIES TIMEOUT 120)
