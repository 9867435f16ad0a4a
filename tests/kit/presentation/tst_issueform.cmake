# The form's one round trip through the stand-in gateway.
target_compile_definitions(tst_issueform PRIVATE FERNHOLM_FAKE_GATEWAY="$<TARGET_FILE:fake_gateway>")
add_dependencies(tst_issueform fake_gateway)
