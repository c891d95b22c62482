# The network audio box engine: its connection thread, the box protocol and the engine against a
# simulated box (python3 fake_box.py; sox, lame and mpg123 make and check the songs).
qh_gtest(NAME qh_box_engine_tests LABELS "jukebox;player;boxengine"
         SOURCES tests/TcpClientThreadTests.cpp tests/XSProtocolTests.cpp tests/XSBoxEngineTests.cpp
                 tests/BoxTestSupport.cpp
         DEPS qh_jukebox_player TIMEOUT 240)
if(TARGET qh_box_engine_tests)
  target_compile_definitions(qh_box_engine_tests PRIVATE BOX_TEST_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}/tests")
endif()
if(TARGET qh_box_engine_tests)
  include(${PROJECT_SOURCE_DIR}/platform/core/StringTable.cmake)
  qh_string_table(TARGET qh_box_engine_tests SOURCE ${PROJECT_SOURCE_DIR}/resources/jukebox/player-strings.txt)
endif()
# The box zone's engine window over the player base, beside the base's scripted local engine.
qh_gtest(NAME qh_box_zone_tests LABELS "jukebox;player;boxengine"
         SOURCES tests/XSStreamWindowTests.cpp tests/PlayerSoakTest.cpp tests/BoxTestSupport.cpp
         DEPS qh_jukebox_player_testing TIMEOUT 240)
if(TARGET qh_box_zone_tests)
  target_compile_definitions(qh_box_zone_tests PRIVATE BOX_TEST_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}/tests")
  qh_string_table(TARGET qh_box_zone_tests SOURCE ${PROJECT_SOURCE_DIR}/resources/jukebox/player-strings.txt)
endif()
