# The app tests' support places the stand-in gateway (tests/fakegateway) where the model's
# runtime lookup finds it, so every app test can launch it for real.
target_compile_definitions(FernholmAppTestSupport PUBLIC FERNHOLM_FAKE_GATEWAY="$<TARGET_FILE:fake_gateway>")
add_dependencies(FernholmAppTestSupport fake_gateway)
