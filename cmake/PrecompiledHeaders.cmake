# Precompiled headers: the Qt, QCoro and standard headers that nearly every source includes,
# parsed once per target instead of once per source. The test programs, one or two sources each,
# share one precompiled header per kind (core or widgets) instead of making their own.
#
# fernholm_precompile(<target> core|widgets)       a library's own precompiled header
# fernholm_reuse_precompiled(<target> core|widgets) a test program takes the shared one

# ccache caches compilations that use a precompiled header only when told to ignore what the
# header cannot change: the defines it was made with and the time macros.
if(FERNHOLM_PCH AND CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache" AND NOT CMAKE_CXX_COMPILER_LAUNCHER MATCHES "SLOPPINESS")
    set(CMAKE_CXX_COMPILER_LAUNCHER env CCACHE_SLOPPINESS=pch_defines,time_macros ${CMAKE_CXX_COMPILER_LAUNCHER})
endif()

set(fernholm_pch_core
    <chrono> <functional> <memory> <optional> <utility>
    <QByteArray> <QDateTime> <QDir> <QFile> <QHash> <QJsonArray> <QJsonDocument> <QJsonObject> <QList>
    <QMap> <QObject> <QPointer> <QString> <QStringList> <QTimer> <QNetworkAccessManager> <QNetworkReply>
    <QCoroTask>)
set(fernholm_pch_widgets ${fernholm_pch_core}
    <QAbstractButton> <QAccessible> <QEvent> <QFontMetricsF> <QHBoxLayout> <QPainter> <QVBoxLayout> <QWidget>)
set(fernholm_pch_tests <QSignalSpy> <QTemporaryDir> <QTest>)

# A test whose flags still differ from its folder's header (an extra Qt module) compiles without
# it: slower, never wrong, so never an error.
if(FERNHOLM_PCH)
    add_compile_options(-Wno-error=invalid-pch)
endif()

function(fernholm_precompile target kind)
    if(FERNHOLM_PCH)
        target_precompile_headers(${target} PRIVATE ${fernholm_pch_${kind}})
    endif()
endfunction()

# The shared headers of the test programs of one folder live in an object library of that folder,
# with the same compile flags, definitions and include folders as its tests: GCC takes a
# precompiled header only when they match, and QtTest defines the folder of each test.
function(fernholm_test_precompiled_holder kind out)
    file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    string(MAKE_C_IDENTIFIER "${folder}" folder)
    set(${out} fernholm_pch_${kind}_${folder} PARENT_SCOPE)
endfunction()

function(fernholm_add_test_precompiled kind)
    fernholm_test_precompiled_holder(${kind} holder)
    if(NOT FERNHOLM_PCH OR TARGET ${holder})
        return()
    endif()
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${holder}.cpp "// the shared precompiled header of the ${kind} tests here\n")
    add_library(${holder} OBJECT ${CMAKE_CURRENT_BINARY_DIR}/${holder}.cpp)
    target_link_libraries(${holder} PRIVATE ${ARGN} Qt6::Test)
    target_precompile_headers(${holder} PRIVATE ${fernholm_pch_${kind}} ${fernholm_pch_tests})
endfunction()

function(fernholm_reuse_precompiled target kind)
    fernholm_test_precompiled_holder(${kind} holder)
    if(FERNHOLM_PCH AND TARGET ${holder})
        target_precompile_headers(${target} REUSE_FROM ${holder})
    endif()
endfunction()
