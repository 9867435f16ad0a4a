# The stand-in gateway executable that the launch tests start for real.
add_subdirectory(fakegateway)
