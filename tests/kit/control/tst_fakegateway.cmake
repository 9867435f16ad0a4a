# The stand-in gateway's control API, spoken to through the real client.
target_compile_definitions(tst_fakegateway PRIVATE FERNHOLM_FAKE_GATEWAY="$<TARGET_FILE:fake_gateway>")
add_dependencies(tst_fakegateway fake_gateway)
