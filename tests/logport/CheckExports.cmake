# Fails unless LIBRARY defines exactly the sixteen LGP_ functions as dynamic
# symbols. Run as: cmake -DLIBRARY=<path> -DNM=<nm> -P CheckExports.cmake
set(expected
  LGP_CancelLoad LGP_ClearFrame LGP_CloseDevice LGP_GetAllLoadCount LGP_GetBaseInfo
  LGP_GetCurLoadCount LGP_GetFilterInfo LGP_GetOrigTimeList LGP_GetPreFrame LGP_LoadFrame
  LGP_OpenDevice LGP_SetBaseInfo LGP_SetDefaultCfg LGP_SetFilterInfo LGP_SetPreFrame
  LGP_SetReference)

execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()

string(REPLACE "\n" ";" lines "${listing}")
set(actual)
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9a-fA-F]* +[A-Za-z] +(.+)$")
    list(APPEND actual ${CMAKE_MATCH_1})
  endif()
endforeach()
list(SORT actual)
list(SORT expected)
if(NOT actual STREQUAL expected)
  message(FATAL_ERROR "exported symbols differ\n expected: ${expected}\n actual:   ${actual}")
endif()
