# Reads the launcher program's export table and its import library and fails
# unless the foundation, the event framework, the bus and the two bitmap
# functions are exported, the bitmap functions under their plain names.
#   cmake -DOBJDUMP=... -DNM=... -DPROGRAM=... -DIMPORT_LIBRARY=... -P CheckExports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE table RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed")
endif()
string(FIND "${table}" "[Ordinal/Name Pointer] Table" start)
if(start LESS 0)
  message(FATAL_ERROR "${PROGRAM} has no export table")
endif()
string(SUBSTRING "${table}" ${start} -1 exports)

# Plain, undecorated names.
foreach(name DIBPaint DibOpenFromModule)
  if(NOT exports MATCHES "\\] ${name}\n")
    message(FATAL_ERROR "${name} is not exported under its plain name")
  endif()
endforeach()
# Every exported class and function, by its mangled name; the string's inline
# copy, destruction and text access each by its own name as well.
foreach(symbol 8OvString N8OvStringC1ERKS_ N8OvStringD1Ev NK8OvStringcvPKcEv 9CObString 7DObject 10MemoryPool 15animTimeGetTime 11animSetTime 9utilSleep
               16CommonObjectBase 24CommonObjectEventManager 12CODispatcher 16COProcDispatcher 15FileMappingHeap)
  if(NOT exports MATCHES "\\] _Z[^\n]*${symbol}")
    message(FATAL_ERROR "nothing of ${symbol} is exported")
  endif()
endforeach()

execute_process(COMMAND ${NM} ${IMPORT_LIBRARY} OUTPUT_VARIABLE imports RESULT_VARIABLE failed)
if(failed OR NOT imports MATCHES "__imp__DIBPaint" OR NOT imports MATCHES "__imp___ZN8OvString")
  message(FATAL_ERROR "the import library ${IMPORT_LIBRARY} lacks the exports")
endif()
message(STATUS "exports and import library complete")
