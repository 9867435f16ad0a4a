# The studio host runs the real web engine, offscreen. As root Chromium refuses to start with its
# sandbox; the flags keep it from reaching out or updating anything while the tests run.
target_link_libraries(tst_studioglue PRIVATE FernholmStudio)
set(studio_environment
    "QT_QPA_PLATFORM=offscreen"
    "QTWEBENGINE_DISABLE_SANDBOX=1"
    "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu --disable-background-networking --disable-component-update")
if(FERNHOLM_SANITIZE)
    # The web engine's own code (built without the sanitizer) frees with a mismatched size and
    # keeps allocations to the end: report neither, keep everything else.
    list(APPEND studio_environment
        "ASAN_OPTIONS=new_delete_type_mismatch=0"
        "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/app/support/webengine-leaks.supp")
endif()
set_tests_properties(tst_studioglue PROPERTIES ENVIRONMENT "${studio_environment}" TIMEOUT 300)
set_property(TEST tst_studioglue APPEND PROPERTY LABELS system)
