# A build that drops an mv::Result must fail (-Werror=unused-result): builds the probe with its result
# kept, which must succeed (the probe itself is sound), then with it dropped, which must fail on that.
#   cmake -DBUILD_DIR=... -DKEPT=target -DDROPPED=target -P dropped_result.cmake
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${KEPT}
  RESULT_VARIABLE kept OUTPUT_VARIABLE kept_log ERROR_VARIABLE kept_log)
if(NOT kept EQUAL 0)
  message(FATAL_ERROR "the probe that keeps its Result does not build:\n${kept_log}")
endif()
# (A compile that failed left no object, so every run compiles it again.)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${DROPPED}
  RESULT_VARIABLE dropped OUTPUT_VARIABLE dropped_log ERROR_VARIABLE dropped_log)
if(dropped EQUAL 0)
  message(FATAL_ERROR "a dropped Result built:\n${dropped_log}")
endif()
if(NOT dropped_log MATCHES "unused-result")
  message(FATAL_ERROR "the probe failed, but not on its dropped Result:\n${dropped_log}")
endif()
message(STATUS "a dropped Result stops the build")
