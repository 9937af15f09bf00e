# The Linux build of the tools (build.sh's native tree): its own tests run on
# the host, not under Wine; its output is compared with the Windows build's
# and fed to the launcher's update here.
if(NOT LUMORA_NATIVE_DIR)
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
lumora_add_test(native_match_tests SOURCES native_match_test.cpp
  FIXTURES update_server native_published native_checked
  DEPENDS lumora_publish lumora_check seven_zip_shim launcher_signed)
target_compile_definitions(native_match_tests PRIVATE ${TOOL_PATHS})
set_tests_properties(native_match_tests PROPERTIES RESOURCE_LOCK launcher_processes)
