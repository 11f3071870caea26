# Runs the real dayloom-cli: cmake -DCLI=... -DFIXTURE=... -DWORK=... -P cli_smoke.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(data "${WORK}/data")

execute_process(COMMAND "${FIXTURE}" "${data}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "fixture writer failed: ${rc}")
endif()

set(failures 0)

# expect(<name> <exit status> <expected stdout> <stderr must match> args...)
function(expect name status stdout stderr_regex)
  execute_process(COMMAND "${CLI}" ${ARGN}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(bad "")
  if(NOT rc STREQUAL "${status}")
    string(APPEND bad " exit ${rc} (wanted ${status});")
  endif()
  if(NOT out STREQUAL "${stdout}")
    string(APPEND bad " stdout [${out}] (wanted [${stdout}]);")
  endif()
  if(NOT err MATCHES "${stderr_regex}")
    string(APPEND bad " stderr [${err}] does not match [${stderr_regex}];")
  endif()
  if(bad)
    message(SEND_ERROR "${name}:${bad}")
    math(EXPR n "${failures} + 1")
    set(failures ${n} PARENT_SCOPE)
  else()
    message(STATUS "ok: ${name}")
  endif()
endfunction()

set(tab "\t")
expect(agenda 0 "10:00${tab}Врач\n12:30${tab}Звонок\n" "^$"
  agenda --data "${data}" --now "2010-10-11 09:00")
expect(agenda-other-day 0 "08:00${tab}Поезд\n" "^$"
  agenda --data "${data}" --date 2010-10-12 --now "2010-10-11 09:00")
expect(reminders 0 "2010-10-11 08:00${tab}Поезд\n2010-10-11 09:45${tab}Врач\n" "^$"
  reminders "--data=${data}" --now "2010-10-11 09:00")
foreach(flag --help -h)
  execute_process(COMMAND "${CLI}" agenda ${flag} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "agenda.*reminders.*--data.*--date.*--now" OR NOT err STREQUAL "")
    message(SEND_ERROR "help ${flag}: exit ${rc}, stdout [${out}], stderr [${err}]")
    math(EXPR failures "${failures} + 1")
  else()
    message(STATUS "ok: help ${flag}")
  endif()
endforeach()
expect(missing-file 1 "" "ListToDo.db"
  agenda --data "${WORK}/nowhere" --now "2010-10-11 09:00")
expect(bad-date 1 "" "2010-02-30" agenda --data "${data}" --date 2010-02-30)
expect(unknown-command 1 "" "agenda" week --data "${data}")

file(WRITE "${WORK}/damaged/ListToDo.db" "abc")
expect(damaged-file 1 "" "ListToDo.db" reminders --data "${WORK}/damaged")

# Without --data the data folder is dayloom_data beside the binary.
file(MAKE_DIRECTORY "${WORK}/bin")
file(COPY "${CLI}" DESTINATION "${WORK}/bin")
get_filename_component(cli_name "${CLI}" NAME)
file(COPY "${data}/ListToDo.db" DESTINATION "${WORK}/bin/dayloom_data")
set(CLI "${WORK}/bin/${cli_name}")
expect(default-data-folder 0 "10:00${tab}Врач\n12:30${tab}Звонок\n" "^$"
  agenda --now "2010-10-11 09:00")

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} dayloom-cli check(s) failed")
endif()
