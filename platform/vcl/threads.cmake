# Threads, the application object and hidden windows, built on the Windows layer.
target_sources(corvax PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Thread.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Application.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HiddenWindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SynchronizeHere.cpp)
