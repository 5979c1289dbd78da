# Runs PROGRAM --help in an empty folder: it must succeed, print its usage
# and write nothing. With UNKNOWN_IS_ERROR, an unknown option must fail,
# also without writing anything.
#   cmake -DPROGRAM=... -DWORKDIR=... [-DUNKNOWN_IS_ERROR=ON] -P answerhelp.cmake
file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}")

function(expect_nothing_written what)
  file(GLOB left RELATIVE "${WORKDIR}" "${WORKDIR}/*" "${WORKDIR}/.*")
  if(left)
    message(FATAL_ERROR "${PROGRAM} ${what} wrote into its folder: ${left}")
  endif()
endfunction()

execute_process(COMMAND "${PROGRAM}" --help WORKING_DIRECTORY "${WORKDIR}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help ended with ${rc}: ${out}${err}")
endif()
if(NOT out MATCHES "usage: ")
  message(FATAL_ERROR "${PROGRAM} --help printed no usage: ${out}${err}")
endif()
expect_nothing_written(--help)

if(UNKNOWN_IS_ERROR)
  execute_process(COMMAND "${PROGRAM}" --no-such-option WORKING_DIRECTORY "${WORKDIR}"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  if(rc EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} took --no-such-option: ${out}${err}")
  endif()
  expect_nothing_written(--no-such-option)
endif()
