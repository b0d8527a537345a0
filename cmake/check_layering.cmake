# House rules on includes, checked on every build and run by ctest as "layering":
#
# 1. A core source (anything under src/ outside a ui/ folder) never includes a widget or
#    browser-engine header.
# 2. Dependencies point down: common <- storage <- tables <- the subsystems (capture, analysis,
#    categories, pictures, update, downloader) <- mainwindow. A source may include its own
#    folder and the layers below it, never a layer above. Subsystems may use one another.
file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.cpp")

set(rank_common 0)
set(rank_storage 1)
set(rank_tables 2)
foreach(sub capture analysis categories pictures update downloader)
  set(rank_${sub} 3)
endforeach()
set(rank_mainwindow 4)

set(bad "")
foreach(f IN LISTS sources)
  string(REGEX MATCH "^src/([^/]+)/" _ "${f}")
  set(layer "${CMAKE_MATCH_1}")
  if(NOT DEFINED rank_${layer})
    string(APPEND bad "  ${f}: folder \"${layer}\" has no place in the layers; add it to cmake/check_layering.cmake\n")
    continue()
  endif()

  if(NOT f MATCHES "/ui/")
    file(STRINGS "${SOURCE_DIR}/${f}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](QtWidgets|QtWebEngine|QWidget|QApplication|QDialog|QMainWindow|QMessageBox|QWebEngine|QAbstractItemView|QTableView|QComboBox|QLabel|QPushButton|QFileDialog|QInputDialog)")
    foreach(l IN LISTS lines)
      string(APPEND bad "  ${f}: core source uses widgets or the browser engine: ${l}\n")
    endforeach()
  endif()

  file(STRINGS "${SOURCE_DIR}/${f}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z]+/")
  foreach(l IN LISTS includes)
    string(REGEX MATCH "\"([a-z]+)/" _ "${l}")
    set(target "${CMAKE_MATCH_1}")
    if(NOT DEFINED rank_${target} OR target STREQUAL layer)
      continue()
    endif()
    if(rank_${target} GREATER rank_${layer})
      string(APPEND bad "  ${f}: ${layer} must not reach up into ${target}: ${l}\n")
    endif()
  endforeach()
endforeach()
if(bad)
  message(FATAL_ERROR "Layering rules broken:\n${bad}")
endif()
