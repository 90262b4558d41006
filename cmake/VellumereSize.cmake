# Prints each file's size with thousands separators, as
# "Vellumere.exe: 812,544 bytes".
#
#     cmake -DFILES="a;b" -P VellumereSize.cmake
foreach(path IN LISTS FILES)
    file(SIZE "${path}" size)
    set(grouped "")
    while(size GREATER_EQUAL 1000)
        math(EXPR rest "${size} % 1000")
        math(EXPR size "${size} / 1000")
        string(LENGTH "${rest}" digits)
        if(digits EQUAL 1)
            set(rest "00${rest}")
        elseif(digits EQUAL 2)
            set(rest "0${rest}")
        endif()
        set(grouped ",${rest}${grouped}")
    endwhile()
    get_filename_component(name "${path}" NAME)
    message(NOTICE "${name}: ${size}${grouped} bytes")
endforeach()
