vantrel_add_test(crc8_test SOURCES Crc8Test.cpp LIBS vantrel_decode)
