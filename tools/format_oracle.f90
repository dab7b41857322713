! Prints how gfortran writes numbers and texts with the edit descriptors the driver uses, one
! line per case in the form of a row of reader/number_format_test.cc: {value, "descriptor", "text"}.
! Run: gfortran -o /tmp/format_oracle tools/format_oracle.f90 && /tmp/format_oracle
program format_oracle
  implicit none
  character(len=12), parameter :: realValues(*) = [character(len=12) :: &
      '0', '-0.0', '1', '-1', '1.5', '-1.5', '90', '365', '365.5', '0.05', '0.1', '0.1234', &
      '12.34', '0.001234', '0.01234', '0.09995', '0.099995', '0.0999995', '0.099999', &
      '0.95', '0.9995', '9.99995', '99.9995', '9999.4', '9999.5', '99999.5', '999999.5', &
      '0.5', '0.125', '0.0625', '0.625', '2.5', '1e-25', '-1e-25', '1e-5', '-0.0001', &
      '-0.004', '3.14159265', '123456.789', '-123456.789', '1234567.0', '12345678.0', &
      '1e7', '1e100', '-1e100', '1.234e-100', '1e300', '5e-324', '1.797e308', &
      '1.0625', '1.1875', '8192.5', '8193.5', '-99999.5', 'NaN', 'Infinity', '-Infinity']
  character(len=6), parameter :: realDescriptors(*) = [character(len=6) :: &
      'F9.3', 'F8.2', 'F15.7', 'G12.5', 'G15.7', 'G12.4', 'E12.4', 'D15.4', 'E15.7']
  integer, parameter :: intValues(*) = [0, 7, -7, 12, 99, -99, 100, 365, -365, 999, 1000, &
      9999, -999, -9999, 10000, 99999, 100000, 2147483647]
  character(len=4), parameter :: intDescriptors(*) = [character(len=4) :: 'I3', 'I4', 'I5']
  ! Fields too narrow for the usual layout: the optional zero before the point, and asterisks.
  character(len=12), parameter :: narrowValues(*) = [character(len=12) :: &
      '0.5', '-0.5', '0', '1', '-12345.0']
  character(len=6), parameter :: narrowDescriptors(*) = [character(len=6) :: &
      'F4.3', 'F2.0', 'E9.4', 'G6.1']
  integer :: i, j

  do j = 1, size(realDescriptors)
    do i = 1, size(realValues)
      call putReal(realValues(i), realDescriptors(j))
    end do
  end do
  do j = 1, size(narrowDescriptors)
    do i = 1, size(narrowValues)
      call putReal(narrowValues(i), narrowDescriptors(j))
    end do
  end do
  do j = 1, size(intDescriptors)
    do i = 1, size(intValues)
      call putInteger(intValues(i), intDescriptors(j))
    end do
  end do
  do j = 1, 2
    call putText('', j)
    call putText('abc', j)
    call putText('(d)', j)
    call putText('DayInYeaAppFirst', j)
    call putText('ExactlyEighteen123', j)
    call putText('NineteenCharacters!', j)
    call putText('  lead', j)
    call putText('trail  ', j)
  end do

contains

  ! The field width of a descriptor such as F15.7 or I3.
  integer function widthOf(descriptor)
    character(len=*), intent(in) :: descriptor
    integer :: dot
    dot = index(descriptor, '.')
    if (dot == 0) dot = len_trim(descriptor) + 1
    read (descriptor(2:dot - 1), *) widthOf
  end function widthOf

  subroutine putReal(valueText, descriptor)
    character(len=*), intent(in) :: valueText, descriptor
    double precision :: x
    character(len=64) :: text
    read (valueText, *) x
    write (text, '(' // trim(descriptor) // ')') x
    write (*, '(5a)') '{', trim(valueText), ', "' // trim(descriptor) // '", "', &
        text(1:widthOf(descriptor)), '"},'
  end subroutine putReal

  subroutine putInteger(n, descriptor)
    integer, intent(in) :: n
    character(len=*), intent(in) :: descriptor
    character(len=64) :: text, valueText
    write (valueText, '(i0)') n
    write (text, '(' // trim(descriptor) // ')') n
    write (*, '(5a)') '{', trim(valueText), ', "' // trim(descriptor) // '", "', &
        text(1:widthOf(descriptor)), '"},'
  end subroutine putInteger

  ! Texts go through A18 (choice 1) and A6 (choice 2).
  subroutine putText(value, choice)
    character(len=*), intent(in) :: value
    integer, intent(in) :: choice
    character(len=64) :: text
    if (choice == 1) then
      write (text, '(a18)') value
      write (*, '(5a)') '{"', value, '", "A18", "', text(1:18), '"},'
    else
      write (text, '(a6)') value
      write (*, '(5a)') '{"', value, '", "A6", "', text(1:6), '"},'
    end if
  end subroutine putText

end program format_oracle
