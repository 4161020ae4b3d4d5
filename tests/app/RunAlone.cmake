# Read by CTest after the discovered tests: the tests that time a real window manager's answers run with
# no other test beside them, so that a busy machine does not outpace the window manager they wait for.
foreach(test RealDesktop.WindowsNotMovedComeBackWhereTheyWereStartAfterStart
             RealDesktop.WindowsStoredOffTheScreenAreShownOnItAndTheHistogramStacksAsAToolWindow)
    set_tests_properties(${test} PROPERTIES RUN_SERIAL TRUE)
endforeach()
