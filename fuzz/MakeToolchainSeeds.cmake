# cmake -P script: seeds for the fuzz targets from the files other tools
# write, into ${OUT}/<Target>/. avr-gcc builds fuzz/seeds/card.c, avr-objcopy
# writes its memories in every format, srec_cat converts them (S-records
# without an end record, segment addresses, start addresses, whole-card
# layouts). A tool that is not installed (its variable empty) is left out.
# In: OUT, SOURCE, AVR_GCC, AVR_OBJCOPY, SREC_CAT.

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result ERROR_VARIABLE error)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "fuzz seeds: ${ARGN} failed: ${error}")
  endif()
endfunction()

set(work "${OUT}/toolchain")
file(MAKE_DIRECTORY "${work}" "${OUT}/HexFile" "${OUT}/SRecordFile" "${OUT}/BinaryFile"
     "${OUT}/ElfFile" "${OUT}/CardImageFile")

if(AVR_GCC AND AVR_OBJCOPY)
  set(elf "${work}/card.elf")
  run(${AVR_GCC} -mmcu=at90s8515 -Os -o "${elf}" "${SOURCE}")
  file(COPY_FILE "${elf}" "${OUT}/ElfFile/avr-gcc-card.elf")
  # The whole ELF as HEX and S-records: a whole-card layout (EEPROM at
  # 0x810000).
  run(${AVR_OBJCOPY} -O ihex "${elf}" "${OUT}/HexFile/objcopy-card.hex")
  run(${AVR_OBJCOPY} -O ihex "${elf}" "${OUT}/CardImageFile/objcopy-card.hex")
  run(${AVR_OBJCOPY} -O srec "${elf}" "${OUT}/SRecordFile/objcopy-card.srec")
  run(${AVR_OBJCOPY} -O srec "${elf}" "${OUT}/CardImageFile/objcopy-card.srec")
  # Each memory on its own.
  run(${AVR_OBJCOPY} -O ihex -j .text -j .data "${elf}" "${OUT}/HexFile/objcopy-flash.hex")
  run(${AVR_OBJCOPY} -O ihex -j .eeprom --change-section-lma .eeprom=0 "${elf}"
      "${OUT}/HexFile/objcopy-eeprom.eep")
  run(${AVR_OBJCOPY} -O srec -j .text -j .data "${elf}" "${OUT}/SRecordFile/objcopy-flash.srec")
  run(${AVR_OBJCOPY} -O binary -j .text -j .data "${elf}" "${work}/flash.bin")
  run(${AVR_OBJCOPY} -O binary -j .eeprom --change-section-lma .eeprom=0 "${elf}"
      "${work}/eeprom.bin")
  file(COPY_FILE "${work}/flash.bin" "${OUT}/BinaryFile/objcopy-flash.bin")

  if(SREC_CAT)
    set(flash "${work}/flash.bin" -binary)
    # Without a start address: no end record.
    run(${SREC_CAT} ${flash} -o "${OUT}/SRecordFile/srec_cat.srec")
    run(${SREC_CAT} ${flash} -execution-start-address=0x1234 -o
        "${OUT}/SRecordFile/srec_cat-s3.srec" -motorola -address-length=4)
    run(${SREC_CAT} ${flash} -offset 0x10000 -o "${OUT}/SRecordFile/srec_cat-s2.srec"
        -motorola -address-length=3)
    run(${SREC_CAT} ${flash} -execution-start-address=0x1234 -o
        "${OUT}/HexFile/srec_cat-segment.hex" -intel -address-length=3)
    run(${SREC_CAT} ${flash} -offset 0xFFF0 -execution-start-address=0x1234 -o
        "${OUT}/HexFile/srec_cat-linear.hex" -intel)
    # A whole card: flash, internal EEPROM at 0x810000, external at
    # 0x01000000.
    run(${SREC_CAT} ${flash} "${work}/eeprom.bin" -binary -offset 0x810000 ${flash} -offset
        0x01000000 -o "${OUT}/CardImageFile/srec_cat-card.hex" -intel)
  endif()
endif()
