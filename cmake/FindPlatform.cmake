# The platform's own libSerializer and libLoggingHandler, and the headers Serializer.h,
# LoggingHandler.h and PhonebookRecord.h, as imported targets under the names our stand-ins
# have. Searched along CMAKE_PREFIX_PATH and the system paths; each cache variable can be
# set to point at a file or folder directly. Used by the build and by the installed package:
# it sets DST_PLATFORM_FOUND, and DST_PLATFORM_MESSAGE to what is missing, and leaves the
# verdict to its caller.
find_path(DST_PLATFORM_INCLUDE_DIR NAMES Serializer.h LoggingHandler.h PhonebookRecord.h
          DOC "Folder of the platform's Serializer.h, LoggingHandler.h and PhonebookRecord.h")
find_library(DST_SERIALIZER_LIBRARY NAMES Serializer DOC "The platform's libSerializer")
find_library(DST_LOGGING_HANDLER_LIBRARY NAMES LoggingHandler DOC "The platform's libLoggingHandler")
set(DST_PLATFORM_FOUND TRUE)
set(DST_PLATFORM_MESSAGE "")
foreach(var DST_PLATFORM_INCLUDE_DIR DST_SERIALIZER_LIBRARY DST_LOGGING_HANDLER_LIBRARY)
  if(NOT ${var})
    set(DST_PLATFORM_FOUND FALSE)
    string(APPEND DST_PLATFORM_MESSAGE "${var} not found: install the platform's libraries and headers, "
                                       "add their prefix to CMAKE_PREFIX_PATH, or set ${var}. ")
  endif()
endforeach()
if(DST_PLATFORM_FOUND)
  foreach(name Serializer LoggingHandler)
    if(NOT TARGET DirectoryServiceTypes::${name})
      add_library(DirectoryServiceTypes::${name} SHARED IMPORTED)
      set(file ${DST_SERIALIZER_LIBRARY})
      if(name STREQUAL "LoggingHandler")
        set(file ${DST_LOGGING_HANDLER_LIBRARY})
      endif()
      set_target_properties(DirectoryServiceTypes::${name} PROPERTIES
        IMPORTED_LOCATION ${file} INTERFACE_INCLUDE_DIRECTORIES ${DST_PLATFORM_INCLUDE_DIR})
    endif()
  endforeach()
endif()
