# The supervision test starts the stand-in gateway for real, several times.
target_compile_definitions(tst_watchsupervision PRIVATE FERNHOLM_FAKE_GATEWAY="$<TARGET_FILE:fake_gateway>")
add_dependencies(tst_watchsupervision fake_gateway)
set_tests_properties(tst_watchsupervision PROPERTIES TIMEOUT 180)
