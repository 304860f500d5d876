# Assembles the chart page's drawing code: a comment with the chart library's licence, the
# library file exactly as the npm package ships it, then our extension.
#
#   cmake -DLIB=<Chart.js> -DLICENSE=<LICENSE.md> -DPACKAGE=<package.json> -DEXT=<extension.js>
#         -DOUT=<ZLXChart.js> -P assemble_chart_js.cmake
cmake_minimum_required(VERSION 3.25)

set(hint "run scripts/setup.sh (it installs chart.js 1.0.2 from package-lock.json)")
foreach(var LIB LICENSE PACKAGE EXT)
  if(NOT EXISTS "${${var}}")
    message(FATAL_ERROR "The chart library is missing: ${${var}} does not exist; ${hint}.")
  endif()
endforeach()
file(READ "${PACKAGE}" package)
if(NOT package MATCHES "\"version\": *\"1\\.0\\.2\"")
  message(FATAL_ERROR "${PACKAGE} is not chart.js 1.0.2; ${hint}.")
endif()

file(READ "${LICENSE}" license)
string(STRIP "${license}" license)
string(REPLACE "*/" "* /" license "${license}")
string(REPLACE "\n" "\n * " license "${license}")
string(REPLACE " * \n" " *\n" license "${license}")

file(READ "${LIB}" lib)
file(READ "${EXT}" ext)

set(head "/*!\n * ZLXChart.js: Chart.js 1.0.2 (unmodified) followed by the report page's extension.\n")
string(APPEND head " *\n * Chart.js licence (LICENSE.md of the chart.js 1.0.2 package):\n *\n * ${license}\n */\n")
file(WRITE "${OUT}.tmp" "${head}${lib}\n${ext}")
file(RENAME "${OUT}.tmp" "${OUT}")
