# The translation-completeness test reads the project's sources and the shipped tables.
target_sources(tst_translations PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support/SourceKeyScanner.h
                                        ${CMAKE_CURRENT_SOURCE_DIR}/support/SourceKeyScanner.cpp)
target_compile_definitions(tst_translations PRIVATE FERNHOLM_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
