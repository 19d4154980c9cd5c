# Runs primal -print_all on CNF and compares with EXPECTED: the first line is the exit status;
# the rest are the lines of standard output that start with "Prime" (sorted), "Final Num",
# "Formula UNSAT", "ERROR" or "Error", plus any "PARSE ERROR" line of either stream.
cmake_policy(SET CMP0007 NEW)  # lists keep their empty elements (the filters drop them)
execute_process(COMMAND ${PRIMAL} -print_all ${CNF}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
string(REPLACE "\n" ";" primes "${out}\n${err}")
set(other ${primes})
list(FILTER primes INCLUDE REGEX "^Prime ")
list(SORT primes)
list(FILTER other INCLUDE REGEX "^(Final Num|Formula UNSAT|ERROR|Error|PARSE ERROR)")
set(actual ${status} ${primes} ${other})
list(JOIN actual "\n" actual)
file(READ ${EXPECTED} expected)
string(STRIP "${expected}" expected)
string(STRIP "${actual}" actual)
if(NOT actual STREQUAL expected)
  message(FATAL_ERROR "mismatch for ${CNF}\n--- expected\n${expected}\n--- actual\n${actual}")
endif()
