# Every test, fuzz replays included, runs through run-isolated.sh: a home,
# XDG folders and TMPDIR of its own, removed when it ends. A new test gets
# that by being added with kelvane_add_isolated_test instead of add_test.
set(KELVANE_RUN_ISOLATED ${CMAKE_CURRENT_LIST_DIR}/run-isolated.sh)

function(kelvane_add_isolated_test name)
    add_test(NAME ${name} COMMAND sh ${KELVANE_RUN_ISOLATED} ${ARGN})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
