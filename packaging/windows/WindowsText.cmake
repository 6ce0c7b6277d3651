# cmake -DIN=FILE -DOUT=FILE -P WindowsText.cmake
# A copy of a text file with Windows line ends.
file(READ ${IN} text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUT} "${text}")
