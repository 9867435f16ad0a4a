# The translation-completeness test reads the project's sources and the shipped tables.
target_sources(tst_translations PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/SourceKeyScanner.h
                                        ${CMAKE_SOURCE_DIR}/tests/support/SourceKeyScanner.cpp)
target_compile_definitions(tst_translations PRIVATE FERNHOLM_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
