# Warnings are errors in the project's own code; third-party code keeps its
# own flags.
function(vellumere_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 /WX /permissive-)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
            -Wsign-conversion -Wnon-virtual-dtor -Woverloaded-virtual -Werror)
    endif()
endfunction()
