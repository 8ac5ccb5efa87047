# Writes OUTPUT, the definition of stationVersion(): VERSION and the commit of
# SOURCE_DIR ("3.1+g1a2b3c4d", ".dirty" after it for a tree with changes), or
# the version alone, with COMMIT where a packager gives one, when the source
# is no git checkout. Run at every build; the file changes only when the
# version does, so that only it is compiled again.
set(version "${VERSION}")
execute_process(COMMAND git -C "${SOURCE_DIR}" rev-parse --short=9 HEAD
                RESULT_VARIABLE failed OUTPUT_VARIABLE commit
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT failed AND commit)
  set(version "${version}+g${commit}")
  execute_process(COMMAND git -C "${SOURCE_DIR}" diff --quiet HEAD --
                  RESULT_VARIABLE changed OUTPUT_QUIET ERROR_QUIET)
  if(changed)
    set(version "${version}.dirty")
  endif()
elseif(COMMIT)
  set(version "${version}+g${COMMIT}")
endif()
set(content "// Written by stationversion.cmake at build time.\n#include \"stationversion.h\"\n\nQString stationVersion()\n{\n    return QStringLiteral(\"${version}\");\n}\n")
set(old "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL content)
  file(WRITE "${OUTPUT}" "${content}")
endif()
