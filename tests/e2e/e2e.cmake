# The end-to-end suite under Wine, on an X display and a Wine prefix of its
# own that a CTest fixture starts and stops. The suite shares one desktop, so
# its tests run one at a time.
find_program(QM2_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
set(QM2_WINE_ENV ${CMAKE_BINARY_DIR}/wine-env)
set(QM2_E2E ${CMAKE_SOURCE_DIR}/tests/e2e/e2e.py)

add_test(NAME wine_env_start
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/wine/wine-env.sh start ${QM2_WINE_ENV})
add_test(NAME wine_env_stop
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/wine/wine-env.sh stop ${QM2_WINE_ENV})
set_tests_properties(wine_env_start PROPERTIES FIXTURES_SETUP wine_env TIMEOUT 300)
set_tests_properties(wine_env_stop PROPERTIES FIXTURES_CLEANUP wine_env TIMEOUT 120)

execute_process(COMMAND ${QM2_PYTHON} ${QM2_E2E} --env . --bin . --qm2 . list
  OUTPUT_VARIABLE QM2_E2E_CASES OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

# Where the kernel cannot run 32-bit Linux programs, 32-bit Wine runs under
# qemu's user-mode emulation, and each 32-bit process takes a minute or more
# to start. There the whole suite runs the same sources built for 64-bit
# Windows, natively, and the real 32-bit executable runs the cases below.
if(EXISTS /proc/sys/fs/binfmt_misc/qemu-i386)
  set(QM2_X86_CASES tail_reaches_the_game_byte_for_byte a_game_that_cannot_start_is_reported
                    the_dialog_closes_on_the_click)
  set(QM2_X86_TIMEOUT 600)
  set(QM2_X86_TEST_TIMEOUT 2400)
else()
  set(QM2_X86_CASES ${QM2_E2E_CASES})
  set(QM2_X86_TIMEOUT 60)
  set(QM2_X86_TEST_TIMEOUT 300)
endif()

function(qm2_e2e arch qm2 cases launch_timeout test_timeout)
  foreach(name ${cases})
    add_test(NAME e2e_${arch}.${name}
      COMMAND ${QM2_PYTHON} ${QM2_E2E} --env ${QM2_WINE_ENV}
              --bin ${QM2_WINDOWS64_BINARY_DIR}/tests/e2e --qm2 ${qm2} --arch ${arch}
              --timeout ${launch_timeout} ${name})
    set_tests_properties(e2e_${arch}.${name} PROPERTIES
      FIXTURES_REQUIRED wine_env RESOURCE_LOCK desktop TIMEOUT ${test_timeout}
      FAIL_REGULAR_EXPRESSION "^FAIL")
  endforeach()
endfunction()

qm2_e2e(x64 ${QM2_WINDOWS64_BINARY_DIR}/qm2.exe "${QM2_E2E_CASES}" 60 300)
qm2_e2e(x86 ${QM2_WINDOWS_BINARY_DIR}/qm2.exe "${QM2_X86_CASES}" ${QM2_X86_TIMEOUT}
        ${QM2_X86_TEST_TIMEOUT})

# The resources as the system reports them: the probe reads the real 32-bit
# qm2.exe through the system's own calls. Built for 64-bit, it runs natively
# wherever 32-bit programs run emulated.
add_test(NAME qm2_exe_resources_wine
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/wine/run.sh
          ${QM2_WINDOWS64_BINARY_DIR}/resource_probe.exe ${QM2_WINDOWS_BINARY_DIR}/qm2.exe)
set_tests_properties(qm2_exe_resources_wine PROPERTIES
  FIXTURES_REQUIRED wine_env ENVIRONMENT QM2_WINE_ENV=${QM2_WINE_ENV} TIMEOUT 300)
