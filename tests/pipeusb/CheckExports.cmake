# Fails unless libPipeUsb.so defines exactly the PipeUsb operations, the
# diagnostics and the virtual recorder's controls as dynamic symbols.
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${listing}")
set(found "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] +" "" name "${line}")
  list(APPEND found ${name})
endforeach()
list(SORT found)
set(expected
  CloseDev ClosePipe GetDevCount GetDeviceList OpenDev OpenPipe
  PipeUsb_DescribeDev PipeUsb_DevAttached PipeUsb_DrainPipe PipeUsb_SelectBackend PipeUsb_SetTrace
  PipeUsbSim_ClearFaults PipeUsbSim_Configure PipeUsbSim_ExchangeCount
  PipeUsbSim_InjectFault PipeUsbSim_SetClock PipeUsbSim_SetReplyScript
  WritePipeFollowReadPipeImmediate)
list(SORT expected)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "exported: ${found}\nexpected: ${expected}")
endif()
