# The Linux build of the tools (build.sh's native tree): its test runs on the host; the fixtures
# keep its output, which the Windows build's tests compare with their own and feed to the launcher.
if(NOT LUMORA_NATIVE_DIR)
  set_tests_properties(publish_tests check_tests PROPERTIES ENVIRONMENT GTEST_FILTER=-Native*)
  return()
endif()
add_test(NAME native_tool_tests COMMAND ${PROJECT_SOURCE_DIR}/tests/native/publish_native_test.sh
  ${LUMORA_NATIVE_DIR}/tools/lumora_publish)
add_test(NAME native_published COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/native_published.sh
  ${LUMORA_NATIVE_DIR}/tools/lumora_publish ${CMAKE_BINARY_DIR}/tests/update/rig
  ${CMAKE_BINARY_DIR}/tests/update/keys/signing.pem)
set_tests_properties(native_published PROPERTIES FIXTURES_SETUP native_published
  FIXTURES_REQUIRED update_server)
add_test(NAME native_checked COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/native_checked.sh
  ${LUMORA_NATIVE_DIR}/tools/lumora_check ${PROJECT_SOURCE_DIR}
  ${CMAKE_CURRENT_BINARY_DIR}/native_checked)
set_tests_properties(native_checked PROPERTIES FIXTURES_SETUP native_checked)
set_tests_properties(publish_tests PROPERTIES RESOURCE_LOCK launcher_processes
  FIXTURES_REQUIRED "rig;update_server;native_published")
set_tests_properties(check_tests PROPERTIES FIXTURES_REQUIRED "rig;native_checked")
