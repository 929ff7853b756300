# Writes the AppStream metainfo from its template. The homepage and the screenshot are named only when a
# real address is given: a software centre that fetches an address that answers nothing shows a broken
# page. Included by the build, or run on its own (as the packaging test does):
#   cmake -DTEMPLATE=... -DOUTPUT=... [-DHOMEPAGE_URL=...] [-DSCREENSHOT_URL=...] -P packaging/metainfo.cmake

# An address as XML text: a query's & would otherwise end the document's well-formedness.
function(varnel_xml_text value out)
  string(REPLACE "&" "&amp;" value "${value}")
  string(REPLACE "<" "&lt;" value "${value}")
  string(REPLACE ">" "&gt;" value "${value}")
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

function(varnel_write_metainfo template output homepage_url screenshot_url)
  varnel_xml_text("${homepage_url}" homepage_url)
  varnel_xml_text("${screenshot_url}" screenshot_url)
  set(VARNEL_HOMEPAGE_ELEMENT "")
  if(homepage_url)
    set(VARNEL_HOMEPAGE_ELEMENT "  <url type=\"homepage\">${homepage_url}</url>")
  endif()
  set(VARNEL_SCREENSHOTS_ELEMENT "")
  if(screenshot_url)
    string(CONCAT VARNEL_SCREENSHOTS_ELEMENT
      "  <screenshots>\n"
      "    <screenshot type=\"default\">\n"
      "      <caption>Varnel after a TEST</caption>\n"
      "      <image>${screenshot_url}</image>\n"
      "    </screenshot>\n"
      "  </screenshots>")
  endif()
  file(READ ${template} text)
  string(CONFIGURE "${text}" text @ONLY)
  # An element left out leaves no empty line behind.
  string(REGEX REPLACE "\n\n+" "\n" text "${text}")
  file(CONFIGURE OUTPUT ${output} CONTENT "${text}" @ONLY) # rewritten only when it changes
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  varnel_write_metainfo("${TEMPLATE}" "${OUTPUT}" "${HOMEPAGE_URL}" "${SCREENSHOT_URL}")
endif()
