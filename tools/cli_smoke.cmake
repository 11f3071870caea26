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

# The imports and their removal, on a folder that does not exist yet.
set(imp "${WORK}/import data")
file(WRITE "${WORK}/moon.wrk"
  "Журнал Лунных дней 2010 г.\nZET 8\nМесто: Москва\n\n05.03 23:05:00 +1 w4 13\n   18:40:00 Полнолуние\n")
execute_process(COMMAND "${FIXTURE}" --sun-journal "${WORK}/sun.wrk" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "sun journal writer failed: ${rc}")
endif()
file(WRITE "${WORK}/aspects.txt" "05.03.2010 14:22:10 Луна 12°34'56\" ab Луна трин Марс\n")
file(WRITE "${WORK}/periods.txt" "06.03.2010 23:50 - 07.03.2010 00:40\n")

expect(import-moon-utf8 0 "Лунные дни. Добавлено событий: 2.\n" "^$"
  import --data "${imp}" --months 3 "${WORK}/moon.wrk")
expect(import-moon-again 0 "Лунные дни. Добавлено событий: 0, уже были в списке: 2.\n" "^$"
  import "--data=${imp}" "${WORK}/moon.wrk")
expect(import-sun-1251 0 "Восходы и заходы Солнца. Добавлено событий: 2.\n" "^$"
  import --data "${imp}" --months 3,12 --remind 0 "${WORK}/sun.wrk")
execute_process(COMMAND "${CLI}" import --data "${imp}" --aspects -
  INPUT_FILE "${WORK}/aspects.txt" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "Актуальные аспекты Луны. Добавлено событий: 1.\n")
  message(SEND_ERROR "import-aspects-stdin: exit ${rc}, stdout [${out}], stderr [${err}]")
  math(EXPR failures "${failures} + 1")
else()
  message(STATUS "ok: import-aspects-stdin")
endif()
expect(import-void 0 "Луна без курса. Добавлено событий: 1.\n" "^$"
  import --data "${imp}" --void-of-course "${WORK}/periods.txt")
expect(agenda-imported 0 "00:05${tab}~Лунный день - 13\n18:40${tab}~Лунная фаза - Полнолуние\n06.03.2010${tab}>Луна без курса\n" "^$"
  agenda --data "${imp}" --date 2010-03-06 --now "2010-03-04 09:00")
expect(agenda-imported-aspect 0 "14:22${tab}\"Луна трин Марс\n" "^$"
  agenda --data "${imp}" --date 2010-03-05 --now "2010-03-04 09:00")
expect(agenda-imported-sun 0 "06:45${tab}* Восход Солнца\n18:02${tab}* Заход Солнца\n" "^$"
  agenda --data "${imp}" --date 2012-03-05 --now "2010-03-04 09:00")

# Failures name the reason and leave the event file byte for byte.
file(SHA256 "${imp}/ListToDo.db" before)
file(WRITE "${WORK}/bad.wrk" "Журнал Лунных дней 2010 г.\nZET 8\nМесто\n\n05.03 10:00:00 +1 w4 1\n05.13 10:00:00 +1 w4 2\n")
file(WRITE "${WORK}/other.wrk" "Просто текст\n")
expect(import-bad-line 1 "" "Строка 6: «05.13 10:00:00 \\+1 w4 2» — нет такой даты: 05.13.2010. Ничего не импортировано."
  import --data "${imp}" "${WORK}/bad.wrk")
expect(import-not-a-journal 1 "" "не ZET-журнал лунных дней" import --data "${imp}" "${WORK}/other.wrk")
expect(import-no-file 1 "" "Файл не найден" import --data "${imp}" "${WORK}/none.wrk")
expect(import-wrong-paste 1 "" "Данные не соответствуют типу ZET-данных, выбранному для импорта."
  import --data "${imp}" --aspects "${WORK}/periods.txt")
expect(import-bad-months 1 "" "13" import --data "${imp}" --months 3,13 "${WORK}/moon.wrk")
expect(import-bad-remind 1 "" "10" import --data "${imp}" --remind 10 "${WORK}/moon.wrk")
expect(import-two-sources 1 "" "один источник" import --data "${imp}" --aspects x "${WORK}/moon.wrk")
expect(remove-bad-kind 1 "" "planets" remove-imported --data "${imp}" --kind planets --year 2010)
expect(remove-no-year 1 "" "--year" remove-imported --data "${imp}" --kind moon)
expect(good-days-old-year 1 "" "от 1901 до 9999" good-days --data "${imp}" --birth-day 13 --year 1900)
file(SHA256 "${imp}/ListToDo.db" after)
if(NOT before STREQUAL after)
  message(SEND_ERROR "a failed command changed the event file")
  math(EXPR failures "${failures} + 1")
endif()
expect(import-into-damaged 1 "" "повреждён" import --data "${WORK}/damaged" "${WORK}/moon.wrk")

expect(remove-moon 0 "Лунные дни, 2010. Удалено событий: 2.\n" "^$"
  remove-imported --data "${imp}" --kind moon --year 2010 --months 3)
expect(remove-sun-other-year 0 "Восходы и заходы Солнца, 2011. Удалено событий: 0.\n" "^$"
  remove-imported --data "${imp}" --kind sun --year 2011)
expect(agenda-after-removal 0 "06.03.2010${tab}>Луна без курса\n" "^$"
  agenda --data "${imp}" --date 2010-03-06 --now "2010-03-04 09:00")

# Favourable days: on the day list, and out again.
expect(good-days 0 "Благоприятные дни (13), 2010. Добавлено событий: 7.\n" "^$"
  good-days --data "${imp}" --birth-day 13 --year 2010 --months 3)
expect(agenda-good-day 0 "07:00${tab}#13 : Очень благоприятный день.\n" "^$"
  agenda --data "${imp}" --date 2010-03-22 --now "2010-03-04 09:00")
expect(good-days-remove 0 "Благоприятные дни (13), 2010. Удалено событий: 7.\n" "^$"
  good-days --remove --data "${imp}" --birth-day 13 --year 2010 --months 3)
expect(agenda-good-day-removed 0 "" "^$"
  agenda --data "${imp}" --date 2010-03-22 --now "2010-03-04 09:00")
execute_process(COMMAND "${CLI}" import --help RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "--aspects.*--void-of-course.*отказываются работать, пока окно dayloom открыто")
  message(SEND_ERROR "import --help: exit ${rc}, stdout [${out}], stderr [${err}]")
  math(EXPR failures "${failures} + 1")
endif()
execute_process(COMMAND "${CLI}" --help RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "agenda.*import.*remove-imported.*good-days.*окно dayloom открыто")
  message(SEND_ERROR "--help: exit ${rc}, stdout [${out}], stderr [${err}]")
  math(EXPR failures "${failures} + 1")
endif()

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
