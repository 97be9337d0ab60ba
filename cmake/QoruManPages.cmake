# Run after Doxygen (cmake -DMAN_DIR=... -P): leaves one page per family
# (qorucum_string.3, ...), the record pages, and one linking page per
# documented name that leads to its family's page, so `man strlenU16` shows
# the function in full.
#
# Doxygen links some names (the exported data) to the page of their header,
# which lists them without their documentation: those links are sent to the
# family page that documents the name, and the header pages (string.h.3 and
# the like, which would also shadow the system's names) are dropped unless a
# name declared outside every family still needs one. Record
# fields (h_name, s_port, ...) and unnamed enums (@0) get no page of their own.
file(GLOB families ${MAN_DIR}/qorucum_*.3)
file(GLOB pages ${MAN_DIR}/*.3)
foreach(page ${pages})
  get_filename_component(name ${page} NAME_WE)
  file(READ ${page} text)
  if(name MATCHES "^@")
    file(REMOVE ${page})
  elseif(text MATCHES "^\\.so man3/([^\n]*)\n?$")
    set(target ${CMAKE_MATCH_1})
    file(READ ${MAN_DIR}/${target} target_text)
    if(target_text MATCHES "^\\.TH \"[A-Za-z_0-9]+U16\" 3")
      # A field of a record.
      file(REMOVE ${page})
    elseif(target MATCHES "\\.h\\.3$")
      set(found "")
      foreach(family ${families})
        file(STRINGS ${family} hits REGEX "^\\.SS \".*[^A-Za-z0-9_]${name}([^A-Za-z0-9_].*)?\"$")
        if(hits)
          get_filename_component(found ${family} NAME)
          break()
        endif()
      endforeach()
      if(found)
        file(WRITE ${page} ".so man3/${found}\n")
      else()
        # Declared outside every family: its header page documents it, and stays.
        list(APPEND kept_headers ${MAN_DIR}/${target})
      endif()
    endif()
  endif()
endforeach()
file(GLOB headers ${MAN_DIR}/*.h.3)
if(kept_headers)
  list(REMOVE_ITEM headers ${kept_headers})
endif()
if(headers)
  file(REMOVE ${headers})
endif()
